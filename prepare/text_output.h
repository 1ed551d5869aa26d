#ifndef KESTO_PREPARE_TEXT_OUTPUT_H
#define KESTO_PREPARE_TEXT_OUTPUT_H

#include "status.h"

#include <cstdio>
#include <string>
#include <string_view>

typedef struct BGZF BGZF;

// A text file written plain or BGZF-compressed (htslib), through a buffer.
// The first failure is kept and every later write is skipped, so a caller
// checks close() once.
class TextOutput {
public:
    TextOutput() = default;
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // With threads > 1 a compressed file's blocks are deflated on that many
    // of htslib's threads; the bytes are the same.
    Status open(const std::string& path, bool compressed, int threads = 1);
    void write(std::string_view text);
    Status close();
    const std::string& path() const { return path_; }

private:
    void flush_buffer();

    std::string path_;
    std::FILE* plain_ = nullptr;
    BGZF* bgzf_ = nullptr;
    std::string buffer_;
    Status status_;
};

#endif
