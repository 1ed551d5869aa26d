#ifndef KESTO_TESTS_FUZZ_INPUT_H
#define KESTO_TESTS_FUZZ_INPUT_H

// Shared by the fuzz targets. The readers take file paths, so a target puts
// its input into files in a scratch folder of its own (in /dev/shm where
// there is one) and hands the paths on. Targets that read several files split
// their input on a separator byte.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kesto_fuzz {

// Separates the files of a multi-file input (ASCII record separator).
constexpr char kSeparator = '\x1e';

inline const std::string& scratch_dir()
{
    static const std::string dir = [] {
        struct stat st;
        const std::string base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/kesto_fuzz_XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("kesto_fuzz: mkdtemp");
            std::abort();
        }
        static const std::string keep = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(keep, ec);
        });
        return pattern;
    }();
    return dir;
}

inline std::string put_file(const std::string& name, const std::string& content)
{
    const std::string path = scratch_dir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
        std::perror(("kesto_fuzz: cannot write " + path).c_str());
        std::abort();
    }
    return path;
}

// The input as `parts` pieces: cut at the first parts - 1 separators; the
// last piece keeps any further separators, missing pieces are empty.
inline std::vector<std::string> split_input(const std::uint8_t* data, std::size_t size, std::size_t parts)
{
    std::vector<std::string> pieces(parts);
    std::size_t piece = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == kSeparator && piece + 1 < parts)
            ++piece;
        else
            pieces[piece].push_back(c);
    }
    return pieces;
}

// The first byte as a small setting, the rest as the input proper.
struct Setting {
    unsigned value = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

inline Setting take_setting(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {0, data, 0};
    return {data[0], data + 1, size - 1};
}

} // namespace kesto_fuzz

// An invariant of a reader that does not hold: a fault, reported as a crash.
#define FUZZ_CHECK(condition)                                                                              \
    do {                                                                                                   \
        if (!(condition)) {                                                                                \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);        \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (0)

#endif
