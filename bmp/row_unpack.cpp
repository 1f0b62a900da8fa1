#include "bmp/row_unpack.h"

#include <cstring>

namespace {

constexpr int kBitsPerByte = 8;
constexpr int kByteValues = 256;
constexpr uint8_t kLowNibble = 0x0F;
constexpr int kNibbleBits = 4;

// The eight index bytes of every packed byte, so a whole byte of a 1-bit
// row becomes one 8-byte copy.
struct BitExpansion {
    uint8_t indices[kByteValues][kBitsPerByte];
};

constexpr BitExpansion make_bit_expansion()
{
    BitExpansion table{};
    for (int value = 0; value < kByteValues; ++value) {
        for (int j = 0; j < kBitsPerByte; ++j) {
            table.indices[value][j] = static_cast<uint8_t>((value >> (kBitsPerByte - 1 - j)) & 1);
        }
    }
    return table;
}

constexpr BitExpansion kBitExpansion = make_bit_expansion();

}  // namespace

void unpack_1bit(const uint8_t* row, int32_t width, uint8_t* out)
{
    const int32_t whole_bytes = width / kBitsPerByte;
    for (int32_t i = 0; i < whole_bytes; ++i) {
        std::memcpy(out + static_cast<size_t>(i) * kBitsPerByte, kBitExpansion.indices[row[i]],
                    kBitsPerByte);
    }
    const int32_t done = whole_bytes * kBitsPerByte;
    for (int32_t j = done; j < width; ++j) {
        out[j] = kBitExpansion.indices[row[whole_bytes]][j - done];
    }
}

void unpack_4bit(const uint8_t* row, int32_t width, uint8_t* out)
{
    const int32_t whole_bytes = width / 2;
    for (int32_t i = 0; i < whole_bytes; ++i) {
        out[2 * i] = static_cast<uint8_t>(row[i] >> kNibbleBits);
        out[2 * i + 1] = static_cast<uint8_t>(row[i] & kLowNibble);
    }
    if (width % 2 != 0) {
        out[width - 1] = static_cast<uint8_t>(row[whole_bytes] >> kNibbleBits);
    }
}
