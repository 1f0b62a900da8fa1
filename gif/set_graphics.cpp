// Taking the pixels: GIF row order, the check against the colour depth, the
// coded-data area, and the choice of coder. A big picture coded with LZW
// and no progress line is copied on a second thread while the coder already
// reads the rows copied; the outcome is the same as when everything is
// copied and checked first.
#include "gif/gif_file.h"

#include <cstdlib>

#include "gif/row_order.h"

namespace {

const ErrorEntry kNoArea = {kGifNotCreated, 396, "data area not created.[G]"};
const ErrorEntry kCodedTwice = {kGifAlreadyCreated, 403, "data area already created.[P]"};
const ErrorEntry kGraphicsTwice = {kGifOutOfRange, 410, "variable is already set.[G]"};
const ErrorEntry kIllegalData = {kGifIllegal, 470, "illegal data.[G]"};
const ErrorEntry kCodedMemory = {kGifNoMemory, 478, "can't allocate memory.[G]"};

// Room for the clear and end codes of the tiniest pictures, on top of two
// bytes per pixel.
constexpr uint64_t kCodedBytesPerPixel = 2;
constexpr uint64_t kCodedSlack = 8;
// How far ahead of the coders the pages of the coded area are got.
constexpr size_t kCodedLead = size_t{4} << 20;

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
    const uint64_t capacity = kCodedBytesPerPixel * count + kCodedSlack;
#if !defined(VASTRELMON_NO_ROW_COPIER)
    int beside_status = 0;
    if ((state_flags & LZW_MODE) && !shows_progress() && count >= kSideThreadPixels && capacity <= SIZE_MAX &&
        set_graphics_beside(pixels, static_cast<size_t>(capacity), &beside_status)) {
        return beside_status;
    }
#endif
    const bool interlaced = (state_flags & INTERLACE_MODE) != 0;
    pixel_bits_ = kGifMaxDepth;
    if ((copy_in_gif_order(pixels, width, height, interlaced, pixel_buffer) >> color_depth) != 0) {
        return fail(this, kIllegalData);
    }
    pixel_bits_ = color_depth;
    if (capacity > SIZE_MAX) {
        return fail(this, kCodedMemory);
    }
    // Not zero-filled: the coders store whole bytes and the writer reads only
    // the coded_length bytes they stored.
    coded_buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
    if (coded_buffer == nullptr) {
        return fail(this, kCodedMemory);
    }
    coded_capacity = static_cast<size_t>(capacity);
    // The coders fill the area from its start; most pictures need far less
    // than all of it, so the pages are got only a little ahead of them.
    coded_pages_.start(coded_buffer, coded_capacity, PageFiller::FROM_START, kCodedLead);
    int status = (state_flags & LZW_MODE) ? encode_lzw() : encode_uncompressed();
    if (status != 0) {
        return 1;
    }
    state_flags |= GRP_DATA_SET;
    return 0;
}

bool clGIFFile::set_graphics_beside(const uint8_t* pixels, size_t capacity, int* status)
{
    coded_buffer = static_cast<uint8_t*>(std::malloc(capacity));
    if (coded_buffer == nullptr) {
        return false;  // the plain way reports what comes first
    }
    RowCopier copier;
    if (!copier.start(pixels, width, height, (state_flags & INTERLACE_MODE) != 0, pixel_buffer, color_depth)) {
        std::free(coded_buffer);
        coded_buffer = nullptr;
        return false;
    }
    coded_capacity = capacity;
    coded_pages_.start(coded_buffer, coded_capacity, PageFiller::FROM_START, kCodedLead);
    // The coder reads only pixels the copier has found to fit the depth.
    pixel_bits_ = color_depth;
    const int coded = encode_lzw_fed(&copier);
    if ((copier.finish() >> color_depth) != 0) {
        // As if the pixels had been checked before anything else: no coded
        // area, whatever the coder did.
        coded_pages_.stop();
        std::free(coded_buffer);
        coded_buffer = nullptr;
        coded_capacity = 0;
        pixel_bits_ = kGifMaxDepth;
        *status = fail(this, kIllegalData);
        return true;
    }
    if (coded != 0) {
        *status = 1;
        return true;
    }
    state_flags |= GRP_DATA_SET;
    *status = 0;
    return true;
}
