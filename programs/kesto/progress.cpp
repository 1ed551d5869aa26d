#include "progress.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>
#include <utility>

std::string clock_text(double seconds)
{
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

Progress::Progress(Mode mode, std::string program, std::string unit)
    : mode_(mode), program_(std::move(program)), unit_(std::move(unit)), started_(std::chrono::steady_clock::now()),
      drawn_(started_)
{
}

Progress::Mode Progress::mode_for_stderr(bool quiet)
{
    if (quiet)
        return Mode::Quiet;
    return ::isatty(STDERR_FILENO) ? Mode::Bar : Mode::Lines;
}

void Progress::update(long done, long total)
{
    if (mode_ == Mode::Quiet || total <= 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    if (mode_ == Mode::Lines) {
        const int tenths = static_cast<int>(10 * done / total);
        if (tenths <= tenths_)
            return;
        tenths_ = tenths;
        std::cerr << program_ << ": " << tenths * 10 << "% (" << done << " of " << total << " " << unit_ << ", "
                  << clock_text(elapsed) << ")\n";
        return;
    }
    if (done < total && now - drawn_ < std::chrono::milliseconds(200))
        return;
    drawn_ = now;
    const int width = 30;
    const int filled = static_cast<int>(width * done / total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(static_cast<std::size_t>(width), '.');
    const double left = rate > 0 ? static_cast<double>(total - done) / rate : 0.0;
    char rate_text[32];
    std::snprintf(rate_text, sizeof rate_text, "%.1f", rate);
    std::cerr << "\r" << program_ << " [" << bar << "] " << done << "/" << total << " " << unit_ << "  "
              << rate_text << "/s  " << clock_text(left) << " left  " << std::flush;
    bar_shown_ = true;
}

void Progress::finish()
{
    if (bar_shown_)
        std::cerr << "\n";
    bar_shown_ = false;
}
