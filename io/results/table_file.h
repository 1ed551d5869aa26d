#ifndef KESTO_IO_RESULTS_TABLE_FILE_H
#define KESTO_IO_RESULTS_TABLE_FILE_H

#include "status.h"

#include <string>

// An output text file whose lines reach the file whole: each line is handed
// to the system in one piece as soon as it is complete (users follow long
// runs with tail -f), and an interrupted run leaves complete lines only.
class TableFile {
public:
    TableFile() = default;
    ~TableFile();
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    // Creates the file, or opens it without emptying it, and holds it under
    // an exclusive lock: Locked when another run is writing it.
    Status open(const std::string& path);
    // Empties the file (once every output of the run is held).
    Status empty();
    // Writes text that already holds its line ends.
    Status write(const std::string& text);
    Status close();

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

#endif
