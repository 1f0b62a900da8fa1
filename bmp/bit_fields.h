// 16- and 32-bit pixels whose colours lie in bit fields: the masks' check and the pixels turned into blue,
// green, red bytes. Pure functions over bytes. Private to bmp/.
#ifndef VASTRELMON_BMP_BIT_FIELDS_H
#define VASTRELMON_BMP_BIT_FIELDS_H

#include <cstdint>

namespace bit_fields {

// The masks of pixels without bit fields: 5-5-5 in 16 bits, 8-8-8 in 32.
constexpr uint32_t kDefault16[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kDefault32[3] = {0xFF0000, 0x00FF00, 0x0000FF};

// Where one channel lies and how its value becomes 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;        // of the mask's lowest bit
    int drop = 0;         // low bits a channel wider than 8 bits loses
    uint8_t widen[256];   // the channel's value (at most 8 bits) as 8 bits
};

struct Layout {
    int bits = 0;  // 16 or 32
    Channel red, green, blue;
};

// Builds the layout of red, green and blue masks for bits-bit pixels. False when a mask is not one run of
// bits, two masks share a bit or a mask reaches past the pixel; an empty mask is allowed and reads as 0.
bool make_layout(const uint32_t masks[3], int bits, Layout* out);

// width pixels of row (2 or 4 bytes each, little-endian) as blue, green, red to out (3 x width bytes).
void to_bgr(const uint8_t* row, int32_t width, const Layout& layout, uint8_t* out);

}  // namespace bit_fields

#endif
