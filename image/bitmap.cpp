#include "image/bitmap.h"

#include <cstdlib>
#include <cstring>

#include "platform/packed_rows.h"

namespace {

constexpr int kBufferAlignment = 16;

const ErrorEntry kCreateTwice = {kBitmapAlreadyCreated, 52, "data area already created."};
const ErrorEntry kCreateSize = {kBitmapOutOfRange, 59, "argument is out of range.[W:%d,H:%d]"};
const ErrorEntry kCreateNoDepth = {kBitmapOutOfRange, 65, "yet set variable.[color:%d]"};
const ErrorEntry kCreateNoMemory = {kBitmapNoMemory, 79, "can't allocate memory."};
const ErrorEntry kDepthTwice = {kBitmapOutOfRange, 108, "yet set variable.[C:%d]"};
const ErrorEntry kDepthValue = {kBitmapOutOfRange, 117, "argument is out of range.[C:%d]"};
const ErrorEntry kTransparentNoDepth = {kBitmapOutOfRange, 149, "still set variable.[D:%d]"};
const ErrorEntry kTransparentDepth = {kBitmapOutOfRange, 155, "variable is out of range.[D:%d]"};
const ErrorEntry kTransparentIndex = {kBitmapOutOfRange, 161, "argument is out of range.[TC:%d]"};

}  // namespace

clBitMap::clBitMap()
    : error_code(0), width_(-1), height_(-1), transparent_index_(-1), color_depth_(-1),
      data_size_(-1), stored_bits_(kBytePerPixel)
{
    error_text[0] = '\0';
}

clBitMap::~clBitMap()
{
    release();
}

void clBitMap::release()
{
    pixels_.reset();
    width_ = -1;
    height_ = -1;
    color_depth_ = -1;
    data_size_ = -1;
    stored_bits_ = kBytePerPixel;
    transparent_index_ = -1;
}

int clBitMap::set_color_depth(int bits)
{
    if (color_depth_ != -1) {
        return fail(this, kDepthTwice, color_depth_);
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        return fail(this, kDepthValue, bits);
    }
    color_depth_ = bits;
    return 0;
}

size_t clBitMap::row_bytes() const
{
    const size_t width = static_cast<size_t>(width_);
    if (is_packed(stored_bits_)) {
        return ::row_bytes(width, stored_bits_);
    }
    return width * static_cast<size_t>(color_depth_ > kMaxIndexedDepth ? kTrueColorBytes : 1);
}

uint8_t clBitMap::index_at(int32_t x, int32_t y) const
{
    const uint8_t* row = pixels() + static_cast<size_t>(y) * row_bytes();
    if (stored_bits_ == kBytePerPixel) {
        return row[x];
    }
    return packed_index(row, static_cast<size_t>(x), stored_bits_);
}

int clBitMap::create(int new_width, int new_height, bool packed)
{
    if (pixels_ != nullptr) {
        return fail(this, kCreateTwice);
    }
    if (new_width <= 0 || new_width > kMaxImageWidth || new_height <= 0 ||
        new_height > kMaxImageHeight) {
        return fail(this, kCreateSize, new_width, new_height);
    }
    if (color_depth_ == -1) {
        return fail(this, kCreateNoDepth, color_depth_);
    }
    width_ = new_width;
    height_ = new_height;
    // At most 6400 x 4800 x 3 = 92,160,000 bytes: fits an int32 comfortably.
    stored_bits_ = packed && (color_depth_ == 1 || color_depth_ == 4) ? color_depth_ : kBytePerPixel;
    int32_t bytes = static_cast<int32_t>(row_bytes()) * height_;
    data_size_ = (bytes + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    pixels_ = allocate_buffer<uint8_t>(static_cast<size_t>(data_size_), true);
    if (pixels_ == nullptr) {
        return fail(this, kCreateNoMemory);
    }
    return 0;
}

int clBitMap::set_transparent_index(int index)
{
    if (color_depth_ == -1) {
        return fail(this, kTransparentNoDepth, color_depth_);
    }
    if (color_depth_ > 8) {
        return fail(this, kTransparentDepth, color_depth_);
    }
    if (index < 0 || index > 255) {
        return fail(this, kTransparentIndex, index);
    }
    transparent_index_ = index;
    return 0;
}
