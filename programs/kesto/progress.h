#ifndef KESTO_PROGRAMS_KESTO_PROGRESS_H
#define KESTO_PROGRAMS_KESTO_PROGRESS_H

#include <chrono>
#include <string>

// Progress of a run on standard error: on a terminal a bar with the regions
// done, the rate and the time left, redrawn a few times a second; otherwise
// (a log file, a pipe) one line each time another tenth is done.
class Progress {
public:
    enum class Mode { Quiet, Bar, Lines };

    Progress(Mode mode, std::string program, std::string unit);
    // Mode::Bar when standard error is a terminal, else Mode::Lines.
    static Mode mode_for_stderr(bool quiet);

    void update(long done, long total);
    void finish();

private:
    Mode mode_;
    std::string program_;
    std::string unit_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    int tenths_ = 0;
    bool bar_shown_ = false;
};

// "1:02:03" or "2:03".
std::string clock_text(double seconds);

#endif
