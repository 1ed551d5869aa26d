#include "window_output.h"

#include "result_writer.h"

#include <string>

namespace window_scan {

namespace {

class WindowFiles final : public ScanOutput {
public:
    WindowFiles(ResultWriter& results, ResultWriter& log) : results_(results), log_(log) {}

    bool starting(std::int64_t w) override { return log_.write("in window " + std::to_string(w) + "\n"); }
    bool finished(const WindowRow& row) override { return results_.write(format_row(row) + "\n"); }

private:
    ResultWriter& results_;
    ResultWriter& log_;
};

} // namespace

bool write_scan(const ScanTables& tables, const ScanSettings& settings, ResultWriter& results, ResultWriter& log,
                std::clock_t started)
{
    if (!results.write(std::string(kResultsHeader) + "\n"))
        return false;
    WindowFiles files(results, log);
    if (!run_scan(tables, settings, files))
        return false;
    const double seconds = static_cast<double>(std::clock() - started) / 1000000.0;
    return log.write("Running Time:" + format_number(seconds) + "\n");
}

} // namespace window_scan
