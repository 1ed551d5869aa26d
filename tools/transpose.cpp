// transpose: turns the individual-by-SNP genotype file (.gt) written by morrow
// into the SNP-by-individual file (.tg) that the window scan reads.

#include "atomic_output.h"
#include "convert_error.h"
#include "gt_file.h"
#include "tg_writer.h"

#include "cli.h"

#include <iostream>
#include <new>
#include <string>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

const char* const kUsage =
    "usage: transpose FILE.gt\n"
    "Reads the genotype file FILE.gt written by morrow (one line per individual) and\n"
    "writes FILE.tg: a header 'snp_id' and the IIDs, then one line per SNP with its id\n"
    "and the codes of all individuals, tab-separated. Prints nothing on success.\n";

} // namespace

int main(int argc, char** argv)
{
    const int answered = answer_help_or_version(argc, argv, kUsage);
    if (answered >= 0)
        return answered;
    if (argc != 2) {
        std::cerr << "transpose: expected one word, the .gt file\n" << kUsage;
        return 2;
    }
    const std::string input = argv[1];
    const std::string extension = ".gt";
    if (input.size() <= extension.size() ||
        input.compare(input.size() - extension.size(), extension.size(), extension) != 0) {
        std::cerr << "transpose: '" << input << "' does not end in .gt; give the .gt file written by morrow\n";
        return 2;
    }
    const std::string output = input.substr(0, input.size() - extension.size()) + ".tg";
    try {
        const convert::GtTable table = convert::read_gt(input);
        convert::AtomicOutput tg(output);
        convert::write_tg(tg, table);
        tg.commit();
        return 0;
    } catch (const convert::ConvertError& e) {
        std::cerr << "transpose: " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "transpose: out of memory while reading " << input << "\n";
    }
    return 1;
}
