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
    PValueList list;
    const ReadOutcome outcome = read_association_results(path, snps, list);
    FUZZ_CHECK(outcome.status != ReadStatus::NotFound);
    if (outcome.status == ReadStatus::Malformed) {
        FUZZ_CHECK(outcome.message.find(path) == 0);
        return 0;
    }
    FUZZ_CHECK(list.pvalues.size() == snps);
    return 0;
}
