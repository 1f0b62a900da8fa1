#include "platform/packed_rows.h"

#include <cstring>

namespace {

constexpr int kBitsPerByte = 8;
constexpr int kByteValues = 256;
constexpr uint8_t kLowNibble = 0x0F;
constexpr int kNibbleBits = 4;

// The eight index bytes of every packed byte, so a whole byte of a 1-bit row becomes one 8-byte copy.
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

void unpack_1bit(const uint8_t* row, size_t width, uint8_t* out)
{
    const size_t whole_bytes = width / kBitsPerByte;
    for (size_t i = 0; i < whole_bytes; ++i) {
        std::memcpy(out + i * kBitsPerByte, kBitExpansion.indices[row[i]], kBitsPerByte);
    }
    const size_t done = whole_bytes * kBitsPerByte;
    for (size_t j = done; j < width; ++j) {
        out[j] = kBitExpansion.indices[row[whole_bytes]][j - done];
    }
}

void unpack_4bit(const uint8_t* row, size_t width, uint8_t* out)
{
    const size_t whole_bytes = width / 2;
    for (size_t i = 0; i < whole_bytes; ++i) {
        out[2 * i] = static_cast<uint8_t>(row[i] >> kNibbleBits);
        out[2 * i + 1] = static_cast<uint8_t>(row[i] & kLowNibble);
    }
    if (width % 2 != 0) {
        out[width - 1] = static_cast<uint8_t>(row[whole_bytes] >> kNibbleBits);
    }
}

void unpack_row(const uint8_t* row, size_t width, int stored_bits, uint8_t* out)
{
    if (stored_bits == kNibbleBits) {
        unpack_4bit(row, width, out);
    } else {
        unpack_1bit(row, width, out);
    }
}
