#include "bmp/bit_fields.h"

#include <cstring>

namespace bit_fields {

namespace {

int lowest_bit(uint32_t mask)
{
    int at = 0;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++at;
    }
    return at;
}

int bit_count(uint32_t mask)
{
    int count = 0;
    for (; mask != 0; mask &= mask - 1) {
        ++count;
    }
    return count;
}

// A channel of width bits becomes 8 by repeating its bits from the top (abcde gives abcdeabc, one bit 0 or
// 255), so that its full value is white and zero black; a wider one keeps its top 8 bits.
bool make_channel(uint32_t mask, Channel* out)
{
    out->mask = mask;
    out->shift = 0;
    out->drop = 0;
    std::memset(out->widen, 0, sizeof out->widen);
    if (mask == 0) {
        return true;
    }
    const int shift = lowest_bit(mask);
    const uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) {
        return false;  // not one run of bits
    }
    const int width = bit_count(mask);
    out->shift = shift;
    out->drop = width > 8 ? width - 8 : 0;
    const int kept = width - out->drop;
    for (uint32_t value = 0; value < (1u << kept); ++value) {
        uint32_t wide = 0;
        for (int filled = 0; filled < 8; filled += kept) {
            wide = wide << kept | value;
        }
        // The repeats filled at least 8 bits: keep the top 8.
        const int total = (8 + kept - 1) / kept * kept;
        out->widen[value] = static_cast<uint8_t>(wide >> (total - 8));
    }
    return true;
}

uint8_t channel_of(uint32_t pixel, const Channel& channel)
{
    return channel.widen[((pixel & channel.mask) >> channel.shift) >> channel.drop];
}

}  // namespace

bool make_layout(const uint32_t masks[3], int bits, Layout* out)
{
    if (bits != 16 && bits != 32) {
        return false;
    }
    const uint32_t pixel = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    if (((masks[0] | masks[1] | masks[2]) & ~pixel) != 0 || (masks[0] & masks[1]) != 0 ||
        (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0) {
        return false;
    }
    out->bits = bits;
    return make_channel(masks[0], &out->red) && make_channel(masks[1], &out->green) &&
           make_channel(masks[2], &out->blue);
}

void to_bgr(const uint8_t* row, int32_t width, const Layout& layout, uint8_t* out)
{
    if (layout.bits == 16) {
        for (int32_t x = 0; x < width; ++x, row += 2, out += 3) {
            const uint32_t pixel = row[0] | static_cast<uint32_t>(row[1]) << 8;
            out[0] = channel_of(pixel, layout.blue);
            out[1] = channel_of(pixel, layout.green);
            out[2] = channel_of(pixel, layout.red);
        }
        return;
    }
    if (layout.red.mask == kDefault32[0] && layout.green.mask == kDefault32[1] &&
        layout.blue.mask == kDefault32[2]) {
        // The common layout: the first three bytes are blue, green, red.
        for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
            out[0] = row[0];
            out[1] = row[1];
            out[2] = row[2];
        }
        return;
    }
    for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
        const uint32_t pixel = row[0] | static_cast<uint32_t>(row[1]) << 8 | static_cast<uint32_t>(row[2]) << 16 |
                               static_cast<uint32_t>(row[3]) << 24;
        out[0] = channel_of(pixel, layout.blue);
        out[1] = channel_of(pixel, layout.green);
        out[2] = channel_of(pixel, layout.red);
    }
}

}  // namespace bit_fields
