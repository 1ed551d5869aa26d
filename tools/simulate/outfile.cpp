#include "outfile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

} // namespace

OutFile::OutFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb"))
{
    if (file_ == nullptr)
        fail("create", path_);
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
}

OutFile::~OutFile()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

void OutFile::write(const char* data, std::size_t size)
{
    if (size != 0 && std::fwrite(data, 1, size, file_) != size)
        fail("write", path_);
}

void OutFile::close()
{
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0)
        fail("write", path_);
}
