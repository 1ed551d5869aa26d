// morrow's readers of a binary PLINK set: the .bim, the separator byte, the
// .fam, the separator byte, then the .bed. What morrow would write from an
// accepted set must read back.

#include "convert_error.h"
#include "converter_checks.h"
#include "plink_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = kesto_fuzz::split_input(data, size, 3);
    kesto_fuzz::put_file("set.bim", parts[0]);
    kesto_fuzz::put_file("set.fam", parts[1]);
    kesto_fuzz::put_file("set.bed", parts[2]);
    convert::GenotypeTable table;
    try {
        table = convert::load_plink(kesto_fuzz::scratch_dir() + "/set");
    } catch (const convert::ConvertError&) {
        return 0;
    }
    FUZZ_CHECK(table.genotypes.rows() == table.snps.size());
    FUZZ_CHECK(table.genotypes.columns() == table.individuals.size());
    kesto_fuzz::check_converted(table);
    return 0;
}
