#include "tests/support/bmp_reference.h"

namespace {

uint32_t u16(const std::string& b, size_t at)
{
    return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}

uint32_t u32(const std::string& b, size_t at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}

// A channel of n bits as 8: its bits over and over from the top, bit by
// bit; more than 8 bits keep their top 8.
uint32_t to_eight_bits(uint32_t value, int n)
{
    if (n == 0) {
        return 0;
    }
    if (n >= 8) {
        return value >> (n - 8);
    }
    uint32_t out = 0;
    for (int i = 0; i < 8; ++i) {
        out = out << 1 | ((value >> (n - 1 - i % n)) & 1);
    }
    return out;
}

uint32_t masked_color(uint32_t pixel, const uint32_t masks[3])
{
    uint32_t color = 0;
    for (int c = 0; c < 3; ++c) {
        int shift = 0, n = 0;
        while (masks[c] != 0 && ((masks[c] >> shift) & 1) == 0) {
            ++shift;
        }
        while (shift + n < 32 && ((masks[c] >> (shift + n)) & 1) != 0) {
            ++n;
        }
        color = color << 8 | to_eight_bits((pixel & masks[c]) >> shift, n);
    }
    return color;
}

}  // namespace

ReferenceBmp decode_reference_bmp(const std::string& bytes)
{
    ReferenceBmp bmp;
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
        return bmp;
    }
    const uint64_t header_size = u32(bytes, 14);
    const bool core = header_size == 12;
    // A header too short to hold the compression field (OS/2's 16 bytes)
    // has none.
    const uint32_t compression = header_size >= 20 && bytes.size() >= 34 ? u32(bytes, 30) : 0;
    int64_t width, height;
    if (core) {
        width = static_cast<int16_t>(u16(bytes, 18));
        height = static_cast<int16_t>(u16(bytes, 20));
        bmp.bit_count = u16(bytes, 24) & 0xFF;
    } else {
        if (bytes.size() < 54 || (compression != 0 && compression != 3 && compression != 6)) {
            return bmp;
        }
        width = static_cast<int32_t>(u32(bytes, 18));
        height = static_cast<int32_t>(u32(bytes, 22));
        bmp.bit_count = u16(bytes, 28) & 0xFF;
    }
    const int bits = bmp.bit_count;
    if (width <= 0 || height == 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 16 && bits != 32)) {
        return bmp;
    }
    // 16 and 32 bits: red, green, blue masks, after the header's first 40
    // bytes (within it or after it), or the plain layouts.
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    if (bits >= 16 && !core && compression != 0) {
        if (bytes.size() < 66) {
            return bmp;
        }
        for (int c = 0; c < 3; ++c) {
            masks[c] = u32(bytes, 54 + 4 * c);
        }
    } else if (!core && compression != 0) {
        return bmp;
    }
    const bool top_down = height < 0;
    if (top_down) {
        height = -height;
    }
    std::vector<uint32_t> table;
    if (bits <= 8) {
        const uint64_t entry = core ? 3 : 4;
        const uint64_t at = 14 + header_size;
        const uint64_t entries = 1u << bits;
        if (at + entries * entry > bytes.size()) {
            return bmp;
        }
        for (uint64_t i = 0; i < entries; ++i) {
            size_t e = static_cast<size_t>(at + i * entry);
            table.push_back(static_cast<uint32_t>(static_cast<uint8_t>(bytes[e + 2])) << 16 |
                            static_cast<uint32_t>(static_cast<uint8_t>(bytes[e + 1])) << 8 |
                            static_cast<uint8_t>(bytes[e]));
        }
    }
    const uint64_t row_bits = static_cast<uint64_t>(width) * bits;
    const uint64_t stride = (row_bits + 31) / 32 * 4;
    const uint64_t offset = u32(bytes, 10);
    if (offset + stride * height > bytes.size()) {
        return bmp;
    }
    bmp.width = static_cast<int>(width);
    bmp.height = static_cast<int>(height);
    bmp.colors.resize(static_cast<size_t>(width * height));
    for (int64_t stored = 0; stored < height; ++stored) {
        const int64_t y = top_down ? stored : height - 1 - stored;
        const size_t row = static_cast<size_t>(offset + stored * stride);
        for (int64_t x = 0; x < width; ++x) {
            uint32_t color;
            if (bits == 16 || bits == 32) {
                size_t p = row + static_cast<size_t>(bits / 8 * x);
                uint32_t pixel = u16(bytes, p) | (bits == 32 ? u16(bytes, p + 2) << 16 : 0);
                color = masked_color(pixel, masks);
            } else if (bits == 24) {
                size_t p = row + static_cast<size_t>(3 * x);
                color = static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + 2])) << 16 |
                        static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + 1])) << 8 |
                        static_cast<uint8_t>(bytes[p]);
            } else {
                uint64_t bit = static_cast<uint64_t>(x) * bits;
                uint32_t byte = static_cast<uint8_t>(bytes[row + bit / 8]);
                uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                color = table[index];
            }
            bmp.colors[static_cast<size_t>(y * width + x)] = color;
        }
    }
    bmp.ok = true;
    return bmp;
}
