// Taking the pixels: GIF row order, the check against the color depth, the
// coded-data area, and the choice of coder.
#include "gif/gif_file.h"

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

// Build switch VASTRELMON_SHARED_BLOCK=OFF: a small picture's table, window
// and coded area each get memory of their own.
#if defined(VASTRELMON_NO_SHARED_BLOCK)
constexpr bool kSharedBlock = false;
#else
constexpr bool kSharedBlock = true;
#endif

// From this many pixels on: below, the block's last 2 MiB page, which the
// parts after the table start, costs more time than the small pages it
// saves (a 64 x 64 picture's run is about 0.05 ms longer with it, a
// 128 x 128 one's the same).
constexpr uint64_t kSharedBlockPixels = uint64_t{1} << 15;

// The parts of the shared block start at multiples of this.
constexpr size_t kPartAlignment = 64;

size_t round_up(size_t bytes)
{
    return (bytes + kPartAlignment - 1) / kPartAlignment * kPartAlignment;
}

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
    if (coded_area_ != nullptr) {
        return fail(this, kCodedTwice);
    }
    if (state_flags_ & kGrpDataSet) {
        return fail(this, kGraphicsTwice);
    }
    rows_missing_ = false;
    const uint64_t count = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
    // An empty picture has nothing to code and no room for a code.
    if (count == 0) {
        return fail(this, kIllegalData);
    }
    const uint64_t capacity = kCodedBytesPerPixel * count + kCodedSlack;
    const bool interlaced = (state_flags_ & kInterlaceMode) != 0;
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
    // A small picture coded with LZW has its table, its window and its coded
    // area in one block, so that they take a few 2 MiB pages instead of
    // hundreds of small ones (each a fault, a fresh page and its clearing).
    uint8_t* window_room = nullptr;
    void* table_block = nullptr;
    const bool lzw = (state_flags_ & kLzwMode) != 0;
    if (kSharedBlock && lzw && count >= kSharedBlockPixels && count < kSideThreadPixels) {
        const size_t window_bytes = GifOrderWindow::buffer_bytes(width_, height_, interlaced, stored_bits, rows);
        if (allocate_shared(window_bytes, static_cast<size_t>(capacity))) {
            table_block = shared_block_.get();
            window_room = window_bytes != 0 ? shared_block_.get() + round_up(lzw_table_bytes(color_depth_)) : nullptr;
        }
    }
    GifOrderWindow window;
    if (lzw && !window.start(pixels, width_, height_, interlaced, stored_bits, rows,
                             rows_ahead_ && count >= kSideThreadPixels, window_room)) {
        coded_area_ = nullptr;
        shared_block_.reset();
        rows_missing_ = window.rows_missing();
        return fail(this, rows_missing_ ? kIllegalData : kCodedMemory);
    }
    if (coded_area_ == nullptr && !allocate_coded(static_cast<size_t>(capacity))) {
        return fail(this, kCodedMemory);
    }
    // With the file open already, and nothing in it yet, a big picture's
    // coded data goes there while it is coded; write_gif writes what is left.
    if (write_behind_ && output_file != nullptr && count >= kSideThreadPixels && !written_behind_ &&
        tell_file(output_file) == 0 && coded_file_.start(output_file, image_data_offset(), coded_area_)) {
        written_behind_ = true;
    }
    int status = lzw ? encode_lzw(&window, table_block) : encode_uncompressed(pixels, stored_bits, row_buffer.get());
    written_ahead_ = coded_file_.finish();
    rows_missing_ = window.rows_missing();
    if (status != 0) {
        written_ahead_ = 0;
        return 1;
    }
    state_flags_ |= kGrpDataSet;
    return 0;
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
    coded_area_ = coded_buffer_.get();
    coded_capacity_ = capacity;
    return true;
}

bool clGIFFile::allocate_shared(size_t window_bytes, size_t capacity)
{
    // Small pictures only: no sum below can overflow.
    const size_t area_offset = round_up(lzw_table_bytes(color_depth_)) + round_up(window_bytes);
    if (!shared_block_.allocate(area_offset + BitPacker::area_bytes(capacity))) {
        return false;
    }
    coded_area_ = shared_block_.get() + area_offset;
    coded_capacity_ = capacity;
    return true;
}
