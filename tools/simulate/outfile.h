#ifndef KESTO_SIMULATE_OUTFILE_H
#define KESTO_SIMULATE_OUTFILE_H

#include <cstdio>
#include <string>

// A buffered output file that throws std::runtime_error, naming the file, when
// it cannot be opened or a write fails (full disk included, seen at close).
class OutFile {
public:
    explicit OutFile(const std::string& path);
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    void write(const char* data, std::size_t size);
    void write(const std::string& text) { write(text.data(), text.size()); }
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

#endif
