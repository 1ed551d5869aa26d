#ifndef KESTO_CONVERT_CONVERT_ERROR_H
#define KESTO_CONVERT_CONVERT_ERROR_H

#include <cstddef>
#include <stdexcept>
#include <string>

namespace convert {

// A problem with an input or output file. The message is complete: it names
// the file and, where there is one, the line or byte offset, and says what to
// fix. The programs print it after their own name and exit with status 1.
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const std::string& message) : std::runtime_error(message) {}
};

// "FILE line N" for messages about one line of a text file.
std::string at_line(const std::string& path, std::size_t line);

} // namespace convert

#endif
