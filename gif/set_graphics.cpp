// Taking the pixels: GIF row order, the check against the colour depth, the
// coded-data area, and the choice of coder.
#include "gif/gif_file.h"

#include <cstdlib>
#include <cstring>

namespace {

const ErrorSpec kNoArea = {kGifNotCreated, 396, "data area not created.[G]"};
const ErrorSpec kCodedTwice = {kGifAlreadyCreated, 403, "data area already created.[P]"};
const ErrorSpec kGraphicsTwice = {kGifOutOfRange, 410, "variable is already set.[G]"};
const ErrorSpec kIllegalData = {kGifIllegal, 470, "illegal data.[G]"};
const ErrorSpec kCodedMemory = {kGifNoMemory, 478, "can't allocate memory.[G]"};

// The four interlace passes: first row and row step of each.
struct InterlacePass {
    int32_t first_row;
    int32_t row_step;
};
const InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

// Room for the clear and end codes of the tiniest pictures, on top of two
// bytes per pixel.
constexpr uint64_t kCodedBytesPerPixel = 2;
constexpr uint64_t kCodedSlack = 8;

// Copies the rows of source into target in interlace order.
void copy_interlaced(const uint8_t* source, int32_t width, int32_t height, uint8_t* target)
{
    const size_t row_bytes = static_cast<size_t>(width);
    for (const InterlacePass& pass : kInterlacePasses) {
        for (int32_t row = pass.first_row; row < height; row += pass.row_step) {
            std::memcpy(target, source + static_cast<size_t>(row) * row_bytes, row_bytes);
            target += row_bytes;
        }
    }
}

// OR of all values: it reaches 2^D exactly when some value does.
uint8_t combined_bits(const uint8_t* values, size_t count)
{
    uint8_t bits = 0;
    for (size_t i = 0; i < count; ++i) {
        bits |= values[i];
    }
    return bits;
}

}  // namespace

int clGIFFile::set_graphics(const uint8_t* pixels)
{
    if (pixel_buffer == nullptr) {
        return fail(this, kNoArea);
    }
    if (coded_buffer != nullptr) {
        return fail(this, kCodedTwice);
    }
    if (state_flags & GRP_DATA_SET) {
        return fail(this, kGraphicsTwice);
    }
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    // An empty picture has nothing to code and no room for a code.
    if (count == 0) {
        return fail(this, kIllegalData);
    }
    if (state_flags & INTERLACE_MODE) {
        copy_interlaced(pixels, width, height, pixel_buffer);
    } else {
        std::memcpy(pixel_buffer, pixels, static_cast<size_t>(count));
    }
    if ((combined_bits(pixel_buffer, static_cast<size_t>(count)) >> color_depth) != 0) {
        return fail(this, kIllegalData);
    }
    const uint64_t capacity = kCodedBytesPerPixel * count + kCodedSlack;
    if (capacity > SIZE_MAX) {
        return fail(this, kCodedMemory);
    }
    // Zero-filled, so no byte of the area is ever undefined.
    coded_buffer = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(capacity), 1));
    if (coded_buffer == nullptr) {
        return fail(this, kCodedMemory);
    }
    coded_capacity = static_cast<size_t>(capacity);
    int status = (state_flags & LZW_MODE) ? encode_lzw() : encode_uncompressed();
    if (status != 0) {
        return 1;
    }
    state_flags |= GRP_DATA_SET;
    return 0;
}
