#include "gif/row_order.h"

#include <algorithm>
#include <cstring>

namespace {

// The four interlace passes: first row and row step of each.
struct InterlacePass {
    int32_t first_row;
    int32_t row_step;
};
const InterlacePass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
const InterlacePass kTopToBottom[] = {{0, 1}};

// Rows gathered per window, in bytes (besides the pixels kept from the window before): few fresh pages and a
// window that stays in the cache, at the cost of moving the kept pixels now and then.
constexpr size_t kWindowBytes = size_t{16} << 10;

}  // namespace

uint8_t combined_bits(const uint8_t* values, size_t count)
{
    // Eight values at a time.
    uint64_t words = 0;
    size_t i = 0;
    for (; i + sizeof words <= count; i += sizeof words) {
        uint64_t word;
        std::memcpy(&word, values + i, sizeof word);
        words |= word;
    }
    uint8_t bits = 0;
    for (; i < count; ++i) {
        bits |= values[i];
    }
    for (size_t shift = 0; shift < 64; shift += 8) {
        bits = static_cast<uint8_t>(bits | (words >> shift));
    }
    return bits;
}

GifRows::GifRows(int32_t height, bool interlaced)
    : height_(height),
      row_(-1),
      pass_(0),
      pass_count_(interlaced ? sizeof kInterlacePasses / sizeof kInterlacePasses[0] : 1)
{
}

int32_t GifRows::next()
{
    const InterlacePass* passes = pass_count_ == 1 ? kTopToBottom : kInterlacePasses;
    while (pass_ < pass_count_) {
        row_ = row_ < 0 ? passes[pass_].first_row : row_ + passes[pass_].row_step;
        if (row_ < height_) {
            return row_;
        }
        ++pass_;
        row_ = -1;
    }
    return -1;
}

bool GifOrderWindow::start(const uint8_t* pixels, int32_t width, int32_t height, bool interlaced,
                           int stored_bits, GifRowSource* source, int depth)
{
    picture_ = pixels;
    source_ = source;
    depth_ = depth;
    rows_missing_ = false;
    width_ = static_cast<size_t>(width);
    stored_bits_ = stored_bits;
    row_bytes_ = row_bytes(width_, stored_bits);
    height_ = height;
    base_ = 0;
    const size_t total = width_ * static_cast<size_t>(height);
    if (!interlaced && !is_packed(stored_bits) && source == nullptr) {
        pixels_ = pixels;
        count_ = total;
        last_ = true;
        return true;
    }
    rows_ = GifRows(height, interlaced);
    pending_row_ = rows_.next();
    // Room for the pixels kept and at least one row; a small picture gets only what it needs.
    capacity_ = std::min(total, kMatchReach + std::max(kWindowBytes, width_));
    buffer_ = allocate_buffer<uint8_t>(capacity_, false);
    if (!buffer_) {
        return false;
    }
    pixels_ = buffer_.get();
    count_ = 0;
    return fill();
}

bool GifOrderWindow::copy_row(int32_t row, uint8_t* out) const
{
    if (source_ != nullptr) {
        // A value the table has no entry for would code as a clear code.
        return source_->read_row(row, out) && (depth_ == 8 || (combined_bits(out, width_) >> depth_) == 0);
    }
    const uint8_t* stored = picture_ + static_cast<size_t>(row) * row_bytes_;
    if (is_packed(stored_bits_)) {
        unpack_row(stored, width_, stored_bits_, out);
    } else {
        std::memcpy(out, stored, width_);
    }
    return true;
}

bool GifOrderWindow::fill()
{
    uint8_t* window = buffer_.get();
    while (pending_row_ >= 0 && capacity_ - count_ >= width_) {
        if (!copy_row(pending_row_, window + count_)) {
            rows_missing_ = true;
            return false;
        }
        count_ += width_;
        pending_row_ = rows_.next();
    }
    last_ = pending_row_ < 0;
    return true;
}

bool GifOrderWindow::advance(size_t done)
{
    uint8_t* window = buffer_.get();
    std::memmove(window, window + done, count_ - done);
    base_ += done;
    count_ -= done;
    return fill();
}
