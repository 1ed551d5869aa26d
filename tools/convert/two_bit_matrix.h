#ifndef KESTO_CONVERT_TWO_BIT_MATRIX_H
#define KESTO_CONVERT_TWO_BIT_MATRIX_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace convert {

// A table of 2-bit values, row after row; each row starts on a fresh byte and
// holds four values per byte, the first value in the two lowest bits. This is
// the byte layout of one SNP of a PLINK .bed, so a .bed body can be read
// straight into `row_bytes`. New tables hold 0 everywhere.
class TwoBitMatrix {
public:
    TwoBitMatrix() = default;
    TwoBitMatrix(std::size_t rows, std::size_t columns);

    std::size_t rows() const { return rows_; }
    std::size_t columns() const { return columns_; }
    std::size_t bytes_per_row() const { return bytes_per_row_; }

    unsigned get(std::size_t row, std::size_t column) const
    {
        const std::uint8_t byte = bytes_[row * bytes_per_row_ + column / 4];
        return (byte >> (2 * (column % 4))) & 3u;
    }

    void set(std::size_t row, std::size_t column, unsigned value)
    {
        std::uint8_t& byte = bytes_[row * bytes_per_row_ + column / 4];
        const unsigned shift = 2 * (column % 4);
        byte = static_cast<std::uint8_t>((byte & ~(3u << shift)) | ((value & 3u) << shift));
    }

    // Adds a row of zeros at the end and returns its index.
    std::size_t append_row();

    // The table with rows and columns swapped.
    TwoBitMatrix transposed() const;

    std::uint8_t* row_bytes(std::size_t row) { return bytes_.data() + row * bytes_per_row_; }
    const std::uint8_t* row_bytes(std::size_t row) const { return bytes_.data() + row * bytes_per_row_; }

private:
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
    std::size_t bytes_per_row_ = 0;
    std::vector<std::uint8_t> bytes_;
};

} // namespace convert

#endif
