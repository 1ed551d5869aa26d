// The marker file reader (BASE.mk of the window scan).

#include "fuzz_input.h"
#include "marker_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("set.mk", std::string(reinterpret_cast<const char*>(data), size));
    MarkerTable markers;
    const Status outcome = read_markers(path, markers);
    FUZZ_CHECK(outcome.code != StatusCode::NotFound);
    if (!outcome.ok())
        FUZZ_CHECK(outcome.message.find(path) == 0);
    else
        FUZZ_CHECK(markers.ids.size() == markers.positions.size());
    return 0;
}
