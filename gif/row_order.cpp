#include "gif/row_order.h"

#include <cstring>

namespace {

// The four interlace passes: first row and row step of each.
struct InterlacePass {
    int32_t first_row;
    int32_t row_step;
};
const InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
const InterlacePass kTopToBottom[] = {{0, 1}};

uint8_t combined_bits(const uint8_t* values, size_t count)
{
    uint8_t bits = 0;
    for (size_t i = 0; i < count; ++i) {
        bits |= values[i];
    }
    return bits;
}

}  // namespace

// Copies the rows pass by pass, each followed by the OR of its values while
// it is still in the cache.
uint8_t copy_in_gif_order(const uint8_t* source, int32_t width, int32_t height, bool interlaced,
                          uint8_t* target)
{
    const size_t row_bytes = static_cast<size_t>(width);
    const InterlacePass* passes = interlaced ? kInterlacePasses : kTopToBottom;
    const size_t pass_count = interlaced ? sizeof kInterlacePasses / sizeof kInterlacePasses[0] : 1;
    uint8_t bits = 0;
    size_t copied = 0;
    for (size_t p = 0; p < pass_count; ++p) {
        for (int32_t row = passes[p].first_row; row < height; row += passes[p].row_step) {
            uint8_t* out = target + copied;
            std::memcpy(out, source + static_cast<size_t>(row) * row_bytes, row_bytes);
            bits = static_cast<uint8_t>(bits | combined_bits(out, row_bytes));
            copied += row_bytes;
        }
    }
    return bits;
}
