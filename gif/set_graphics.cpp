// Taking the pixels: GIF row order, the check against the color depth, the
// coded-data area, and the choice of coder.
#include "gif/gif_file.h"

#include <algorithm>

#include "gif/bit_packer.h"
#include "gif/row_order.h"
#include "platform/files.h"

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
// A ring's size is a whole number of these: pages, and so of sub-blocks.
constexpr size_t kRingUnit = 4096;
// The ring of a picture coded without a second thread, emptied into the
// file by the coder in pieces of about this size: 16 pages, and writes
// big enough that the file's cache takes them in few steps (64 KiB against
// 16 KiB: 640 x 480 noise 2.99 against 3.06 ms).
constexpr size_t kSmallCodedRing = size_t{64} << 10;

// Whether every index of a packed picture is below 2^depth.
bool packed_values_fit(const uint8_t* pixels, size_t width, size_t height, int stored_bits, int depth,
                       uint8_t* row_buffer)
{
    // Values of stored_bits bits fit any depth at least as large.
    if (stored_bits <= depth) {
        return true;
    }
    const size_t stride = row_bytes(width, stored_bits);
    uint8_t bits = 0;
    for (size_t row = 0; row < height; ++row) {
        unpack_row(pixels + row * stride, width, stored_bits, row_buffer);
        bits = static_cast<uint8_t>(bits | combined_bits(row_buffer, width));
    }
    return (bits >> depth) == 0;
}

}  // namespace

int clGIFFile::set_graphics(const uint8_t* pixels, int stored_bits, GifRowSource* rows)
{
    if (!(state_flags_ & kAreaAllocated)) {
        return fail(this, kNoArea);
    }
    if (coded_buffer_) {
        return fail(this, kCodedTwice);
    }
    if (state_flags_ & kGrpDataSet) {
        return fail(this, kGraphicsTwice);
    }
    rows_missing_ = false;
    cancelled_ = false;
    const uint64_t count = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
    // An empty picture has nothing to code and no room for a code.
    if (count == 0) {
        return fail(this, kIllegalData);
    }
    const uint64_t capacity = kCodedBytesPerPixel * count + kCodedSlack;
    // Every value is checked before anything is coded (at depth 8 every
    // byte fits); the coders then read the caller's rows in GIF order where
    // they are.
    const bool packed = is_packed(stored_bits);
    // Only the LZW coder at depth 8, where no pixel needs a check, takes
    // its rows from elsewhere.
    if (rows != nullptr && (!(state_flags_ & kLzwMode) || packed || color_depth_ != kGifMaxDepth)) {
        return fail(this, kIllegalData);
    }
    MallocBuffer<uint8_t> row_buffer;
    if (packed) {
        // One unpacked row, for the check and the uncompressed coder.
        row_buffer = allocate_buffer<uint8_t>(static_cast<size_t>(width_), false);
        if (!row_buffer) {
            return fail(this, kCodedMemory);
        }
        if (!packed_values_fit(pixels, static_cast<size_t>(width_), static_cast<size_t>(height_), stored_bits,
                               color_depth_, row_buffer.get())) {
            return fail(this, kIllegalData);
        }
    } else if (color_depth_ < kGifMaxDepth &&
               (combined_bits(pixels, static_cast<size_t>(count)) >> color_depth_) != 0) {
        return fail(this, kIllegalData);
    }
    if (capacity > SIZE_MAX) {
        return fail(this, kCodedMemory);
    }
    source_pixels_ = pixels;
    source_bits_ = stored_bits;
    source_rows_ = rows;
    // With the file open already, and nothing in it yet, a big picture's
    // coded data goes there while it is coded, on a second thread; write_gif
    // writes what is left. So does the LZW data of a smaller one without a
    // progress line, through a smaller ring that the coder empties itself.
    const bool big = count >= kSideThreadPixels;
    const bool file_empty =
        write_behind_ && output_file != nullptr && !written_behind_ && tell_file(output_file) == 0;
    const size_t ring_bytes = big ? ring_setting_ : std::min(ring_setting_, kSmallCodedRing);
    const bool ring = file_empty && (state_flags_ & kLzwMode) && progress_ == nullptr &&
                      ring_bytes % kRingUnit == 0 && ring_bytes != 0;
    int status = code_pixels(capacity, file_empty && big, ring ? ring_bytes : 0, row_buffer.get());
    if (status != 0 && ring_lost_) {
        // A write failed, and the data that left the ring went with it:
        // coded again, whole, for write_gif to write the file afresh and
        // fail where it fails.
        status = code_pixels(capacity, false, 0, row_buffer.get());
    }
    if (status != 0) {
        written_ahead_ = 0;
        return 1;
    }
    state_flags_ |= kGrpDataSet;
    return 0;
}

// Codes the pixels of set_graphics into a new coded area, sending the data
// to the file while it is coded when behind. LZW data then passes through a
// ring of ring bytes (unless 0) instead of an area for all of it: the pages
// of a few megabytes are used again and again rather than fresh ones for
// every byte, and write_gif finds only the last part in memory.
int clGIFFile::code_pixels(uint64_t capacity, bool behind, size_t ring, uint8_t* row_buffer)
{
    const uint64_t count = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
    const bool lzw = (state_flags_ & kLzwMode) != 0;
    GifOrderWindow window;
    if (lzw && !window.start(source_pixels_, width_, height_, (state_flags_ & kInterlaceMode) != 0, source_bits_,
                             source_rows_, rows_ahead_ && count >= kSideThreadPixels)) {
        rows_missing_ = window.rows_missing();
        return fail(this, rows_missing_ ? kIllegalData : kCodedMemory);
    }
    coded_ring_ = 0;
    ring_lost_ = false;
    if (ring != 0) {
        coded_buffer_ = allocate_buffer<uint8_t>(ring, false);
        if (coded_buffer_ && coded_file_.start(output_file, image_data_offset(), coded_buffer_.get(), ring,
                                               count < kSideThreadPixels)) {
            coded_ring_ = ring;
            coded_capacity_ = static_cast<size_t>(capacity);
        }
    }
    if (coded_ring_ == 0) {
        if (!allocate_coded(static_cast<size_t>(capacity))) {
            return fail(this, kCodedMemory);
        }
        if (behind) {
            coded_file_.start(output_file, image_data_offset(), coded_buffer_.get());
        }
    }
    const int status = lzw ? encode_lzw(&window) : encode_uncompressed(source_pixels_, source_bits_, row_buffer);
    // Only a file that was written to has to start over should its rest
    // fail (a small picture's ring may never have needed emptying).
    bool tried = false;
    written_ahead_ = coded_file_.finish(&tried);
    written_behind_ = written_behind_ || tried;
    rows_missing_ = window.rows_missing();
    return status;
}

bool clGIFFile::allocate_coded(size_t capacity)
{
    // Not zero-filled: the coders store whole bytes and the writer reads only
    // the coded_length_ bytes they stored. The coded data is kept framed in
    // sub-blocks, which take a length byte every 255 bytes.
    if (capacity > SIZE_MAX - capacity / BitPacker::kSubBlockBytes - 2) {
        return false;
    }
    const size_t area = BitPacker::area_bytes(capacity);
    coded_buffer_ = allocate_buffer<uint8_t>(area, false);
    if (!coded_buffer_) {
        return false;
    }
    coded_capacity_ = capacity;
    return true;
}
