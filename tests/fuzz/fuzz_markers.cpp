// The marker file reader (BASE.mk of the window scan).

#include "fuzz_input.h"
#include "marker_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("set.mk", std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::int32_t> positions;
    const ReadOutcome outcome = read_markers(path, positions);
    FUZZ_CHECK(outcome.status != ReadStatus::NotFound);
    if (outcome.status == ReadStatus::Malformed)
        FUZZ_CHECK(outcome.message.find(path) == 0);
    return 0;
}
