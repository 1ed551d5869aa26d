// transpose's reader of morrow's .gt file; what transpose would write from an
// accepted file must read back in the window scan.

#include "convert_error.h"
#include "converter_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("in.gt", std::string(reinterpret_cast<const char*>(data), size));
    convert::GtTable table;
    try {
        table = convert::read_gt(path);
    } catch (const convert::ConvertError&) {
        return 0;
    }
    FUZZ_CHECK(table.codes.rows() == table.individuals.size());
    FUZZ_CHECK(table.codes.columns() == table.snp_ids.size());
    kesto_fuzz::check_tg_reads_back(table);
    return 0;
}
