// The size of a BMP file's stored pixel rows. Private to bmp/.
#ifndef VASTRELMON_BMP_STORED_ROWS_H
#define VASTRELMON_BMP_STORED_ROWS_H

#include <cstdint>

namespace stored_rows {

constexpr int kTrueColorBits = 24;
constexpr int kTrueColorBytes = 3;
// Every stored row is padded to a multiple of this many bytes.
constexpr int64_t kRowAlignment = 4;

// Bytes of one stored row before its padding. width is at most INT32_MAX, so
// 64 bits hold every product.
inline int64_t row_length(int64_t width, int bits)
{
    return bits == kTrueColorBits ? width * kTrueColorBytes : (width * bits + 7) / 8;
}

// Bytes of one stored row with its padding.
inline int64_t row_stride(int64_t length)
{
    return (length + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

}  // namespace stored_rows

#endif
