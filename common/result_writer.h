#ifndef KESTO_COMMON_RESULT_WRITER_H
#define KESTO_COMMON_RESULT_WRITER_H

#include <initializer_list>
#include <string>

// Numbers as a default-formatted text stream writes them: integers in
// decimal, floating point in general notation with six significant digits.
std::string format_number(int value);
std::string format_number(float value);
std::string format_number(double value);

// A tab-separated output file whose lines reach the file whole: each line is
// handed to the system in one piece as soon as it is complete, so an
// interrupted run leaves only complete lines behind. A line that cannot be
// written whole is taken back where the file allows it. Tabs and line ends
// inside a field of row() are written as spaces. Failures are reported on
// standard error with the path.
class ResultWriter {
public:
    ResultWriter(std::string program, std::string path, bool append = false);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    const std::string& path() const { return path_; }

    // Writes the fields joined by tabs and a newline.
    bool row(std::initializer_list<std::string> fields);
    // Writes text that already holds its line ends.
    bool write(const std::string& text);

private:
    std::string program_;
    std::string path_;
    bool append_ = false;
    int fd_ = -1;
    bool failed_ = false;
};

#endif
