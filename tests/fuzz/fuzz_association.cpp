// The association results reader. The first byte is the number of SNPs the
// marker file is taken to hold.

#include "fuzz_input.h"
#include "marker_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const std::size_t snps = setting.value & 63u;
    const std::string path =
        kesto_fuzz::put_file("assoc.txt", std::string(reinterpret_cast<const char*>(setting.data), setting.size));
    // Ids rs0, rs1, ...: a line must carry its SNP's id.
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < snps; ++i)
        ids.push_back("rs" + std::to_string(i));
    PValueList list;
    const Status outcome = read_association_results(path, ids, list);
    FUZZ_CHECK(outcome.code != StatusCode::NotFound);
    if (!outcome.ok()) {
        FUZZ_CHECK(outcome.message.find(path) == 0);
        return 0;
    }
    FUZZ_CHECK(list.pvalues.size() == snps);
    return 0;
}
