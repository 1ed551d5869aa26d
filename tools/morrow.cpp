// morrow: turns a PLINK data set into the marker file (.mk) and the genotype
// file (.gt) that transpose and the window scan read.

#include "allele_coding.h"
#include "atomic_output.h"
#include "convert_error.h"
#include "gt_file.h"
#include "mk_writer.h"
#include "plink_input.h"

#include "cli.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <unordered_set>
#include <unistd.h>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

const char* const kUsage =
    "usage: morrow -o OUTBASE INBASE\n"
    "Converts the PLINK data set INBASE (INBASE.bed/.bim/.fam, or INBASE.ped/.map when\n"
    "there is no INBASE.bed) for the window scan. Writes\n"
    "  OUTBASE.mk  chromosome, snp_id, position, allele0, allele1: one line per SNP\n"
    "  OUTBASE.gt  the genotypes, one line per individual, for transpose\n"
    "A genotype is coded as the number of copies of allele1, the SNP's minor allele\n"
    "in the sample (-1 when missing). The SNPs must lie on one chromosome in\n"
    "position order. Prints one summary line on standard output.\n";

// Names the first label given twice, if any.
void warn_repeated(const std::vector<std::string>& labels, const std::string& what, const std::string& file)
{
    std::unordered_set<std::string> seen;
    std::size_t repeats = 0;
    std::string first;
    for (const std::string& label : labels) {
        if (!seen.insert(label).second && repeats++ == 0)
            first = label;
    }
    if (repeats > 0)
        std::cerr << "morrow: warning: " << repeats << " repeated " << what << " in " << file << " (first: "
                  << first << ")\n";
}

void warn(const convert::GenotypeTable& table, const std::vector<convert::SnpCoding>& coding)
{
    if (table.half_missing > 0)
        std::cerr << "morrow: warning: " << table.half_missing << " genotypes in " << table.genotype_file
                  << " have one allele 0 and are taken as missing\n";
    std::size_t empty = 0;
    std::string first;
    for (std::size_t j = 0; j < coding.size(); ++j) {
        if (coding[j].missing == table.individuals.size() && empty++ == 0)
            first = table.snps[j].id;
    }
    if (empty > 0)
        std::cerr << "morrow: warning: " << empty << " SNPs have no genotype at all (first: " << first
                  << ")\n";
    std::vector<std::string> snp_ids;
    snp_ids.reserve(table.snps.size());
    for (const convert::SnpRecord& snp : table.snps)
        snp_ids.push_back(snp.id);
    warn_repeated(snp_ids, "SNP ids", table.marker_file);
    warn_repeated(table.individuals, "IIDs", table.genotype_file);
}

int convert_data_set(const std::string& out_base, const std::string& in_base)
{
    const convert::GenotypeTable table = convert::load_plink(in_base);
    const std::vector<convert::SnpCoding> coding = convert::choose_coding(table);
    warn(table, coding);

    convert::AtomicOutput mk(out_base + ".mk");
    convert::AtomicOutput gt(out_base + ".gt");
    convert::write_mk(mk, table, coding);
    convert::write_gt(gt, table, coding);
    mk.close();
    gt.close();
    gt.commit();
    try {
        mk.commit();
    } catch (...) {
        ::unlink(gt.final_path().c_str());
        throw;
    }

    std::size_t missing = 0;
    for (const convert::SnpCoding& c : coding)
        missing += c.missing;
    const double rate =
        static_cast<double>(missing) / (static_cast<double>(table.snps.size()) * table.individuals.size());
    char rate_text[32];
    std::snprintf(rate_text, sizeof rate_text, "%.4f", rate);
    std::cout << "morrow: " << table.individuals.size() << " individuals, " << table.snps.size()
              << " SNPs, missing rate " << rate_text << " (from " << table.genotype_file << ")\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int answered = answer_help_or_version(argc, argv, kUsage);
    if (answered >= 0)
        return answered;
    if (argc != 4 || std::string(argv[1]) != "-o") {
        std::cerr << "morrow: expected the words -o OUTBASE INBASE\n" << kUsage;
        return 2;
    }
    const std::string out_base = argv[2];
    const std::string in_base = argv[3];
    if (out_base.empty() || in_base.empty()) {
        std::cerr << "morrow: the " << (out_base.empty() ? "output" : "input") << " base name is empty\n"
                  << kUsage;
        return 2;
    }
    try {
        return convert_data_set(out_base, in_base);
    } catch (const convert::ConvertError& e) {
        std::cerr << "morrow: " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "morrow: out of memory while converting " << in_base << "\n";
    }
    return 1;
}
