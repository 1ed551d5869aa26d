#ifndef KESTO_CONVERT_ATOMIC_OUTPUT_H
#define KESTO_CONVERT_ATOMIC_OUTPUT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// An output file written under a temporary name in the same folder
// ("FINAL.partPID") and renamed to its final name only by commit(). A file
// never committed is removed when the object goes, so a failed run leaves no
// half-written file under the final name. Errors throw ConvertError.
class AtomicOutput {
public:
    explicit AtomicOutput(const std::string& final_path);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    void write(std::string_view text)
    {
        if (buffer_.size() - used_ < text.size())
            make_room(text.size());
        text.copy(buffer_.data() + used_, text.size());
        used_ += text.size();
    }
    void put(char c)
    {
        if (used_ == buffer_.size())
            make_room(1);
        buffer_[used_++] = c;
    }

    // Writes out what is buffered and closes the temporary file.
    void close();
    // Closes if needed and renames the temporary file to the final name.
    void commit();

    const std::string& final_path() const { return final_path_; }
    const std::string& temp_path() const { return temp_path_; }

private:
    void make_room(std::size_t size);
    void flush();

    std::string final_path_;
    std::string temp_path_;
    int fd_ = -1;
    bool committed_ = false;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

} // namespace convert

#endif
