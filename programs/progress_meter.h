#ifndef KESTO_PROGRAMS_PROGRESS_METER_H
#define KESTO_PROGRAMS_PROGRESS_METER_H

#include <chrono>
#include <cstdio>
#include <string>

// Progress of a long step on standard error: on a terminal a bar redrawn in
// place with the rate and the time left, otherwise one line per tenth. Steps
// done within a second print nothing.
class ProgressMeter {
public:
    ProgressMeter(std::string what, std::string unit, std::FILE* stream);
    // `share` of the work is done (0 to 1), `units` (named in the
    // constructor) counted so far.
    void update(double share, long units);
    // Ends the bar (a newline on a terminal).
    void finish();

private:
    std::string what_;
    std::string unit_;
    long units_ = 0;
    std::FILE* stream_;
    bool terminal_;
    int tenths_ = 0;
    int drawn_ = -1;  // last percentage drawn on a terminal
    bool finished_ = false;
    bool shown_ = false;   // anything written yet
    std::chrono::steady_clock::time_point start_;
};

#endif
