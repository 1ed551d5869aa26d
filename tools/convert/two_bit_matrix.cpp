#include "two_bit_matrix.h"

namespace convert {

TwoBitMatrix::TwoBitMatrix(std::size_t rows, std::size_t columns)
    : rows_(rows), columns_(columns), bytes_per_row_((columns + 3) / 4), bytes_(rows * bytes_per_row_, 0)
{
}

std::size_t TwoBitMatrix::append_row()
{
    bytes_.resize(bytes_.size() + bytes_per_row_, 0);
    return rows_++;
}

TwoBitMatrix TwoBitMatrix::transposed() const
{
    TwoBitMatrix result(columns_, rows_);
    for (std::size_t r = 0; r < rows_; ++r)
        for (std::size_t c = 0; c < columns_; ++c)
            result.set(c, r, get(r, c));
    return result;
}

} // namespace convert
