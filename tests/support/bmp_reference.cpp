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

}  // namespace

ReferenceBmp decode_reference_bmp(const std::string& bytes)
{
    ReferenceBmp bmp;
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
        return bmp;
    }
    const uint64_t header_size = u32(bytes, 14);
    const bool core = header_size == 12;
    int64_t width, height;
    if (core) {
        width = static_cast<int16_t>(u16(bytes, 18));
        height = static_cast<int16_t>(u16(bytes, 20));
        bmp.bit_count = u16(bytes, 24) & 0xFF;
    } else {
        if (bytes.size() < 54 || u32(bytes, 30) != 0) {
            return bmp;
        }
        width = static_cast<int32_t>(u32(bytes, 18));
        height = static_cast<int32_t>(u32(bytes, 22));
        bmp.bit_count = u16(bytes, 28) & 0xFF;
    }
    const int bits = bmp.bit_count;
    if (width <= 0 || height == 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) {
        return bmp;
    }
    const bool top_down = height < 0;
    if (top_down) {
        height = -height;
    }
    std::vector<uint32_t> table;
    if (bits != 24) {
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
            if (bits == 24) {
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
