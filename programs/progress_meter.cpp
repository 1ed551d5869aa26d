#include "progress_meter.h"

#include <unistd.h>

namespace {

constexpr double kQuietSeconds = 1.0;

std::string clock_text(double seconds)
{
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

ProgressMeter::ProgressMeter(std::string what, std::string unit, std::FILE* stream)
    : what_(std::move(what)), unit_(std::move(unit)), stream_(stream), terminal_(isatty(fileno(stream)) != 0),
      start_(std::chrono::steady_clock::now())
{
}

void ProgressMeter::update(double share, long units)
{
    if (finished_)
        return;
    units_ = units;
    share = share < 0 ? 0 : (share > 1 ? 1 : share);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // Short runs stay quiet.
    if (!shown_ && elapsed < kQuietSeconds)
        return;
    shown_ = true;
    if (terminal_) {
        const int percent = static_cast<int>(share * 100);
        if (percent == drawn_)
            return;
        drawn_ = percent;
        const int width = 30, filled = static_cast<int>(share * width);
        std::string bar(filled, '#');
        bar.append(width - filled, '.');
        const std::string left = share > 0.01 ? clock_text(elapsed * (1 - share) / share) : "?";
        std::fprintf(stream_, "\r%s [%s] %3d%%  %.0f %s/s  %s left ", what_.c_str(), bar.c_str(), percent,
                     elapsed > 0 ? static_cast<double>(units) / elapsed : 0.0, unit_.c_str(), left.c_str());
        std::fflush(stream_);
        return;
    }
    while (tenths_ < 10 && share >= (tenths_ + 1) / 10.0) {
        ++tenths_;
        std::fprintf(stream_, "%s: %d%% (%ld %s) after %s\n", what_.c_str(), tenths_ * 10, units, unit_.c_str(),
                     clock_text(elapsed).c_str());
    }
}

void ProgressMeter::finish()
{
    if (finished_)
        return;
    if (shown_)
        update(1.0, units_);
    finished_ = true;
    if (terminal_ && shown_)
        std::fputc('\n', stream_);
}
