// GIF row order: the pixels as the coders read them, row after row, either top to bottom or in the four
// interlace passes. The coders read the caller's picture where it is; only interlaced rows are gathered, a
// window at a time, into a buffer that stays in the cache.
#ifndef VASTRELMON_GIF_ROW_ORDER_H
#define VASTRELMON_GIF_ROW_ORDER_H

#include <cstddef>
#include <cstdint>

#include "platform/malloc_buffer.h"
#include "platform/packed_rows.h"
#include "gif/gif_settings.h"

// The OR of count values, which reaches 2^D exactly when some value does.
uint8_t combined_bits(const uint8_t* values, size_t count);

// The rows of a picture in GIF order, one row number at a time.
class GifRows {
public:
    GifRows(int32_t height, bool interlaced);
    // The next row number, or -1 after the last.
    int32_t next();

private:
    int32_t height_;
    int32_t row_;
    size_t pass_;
    size_t pass_count_;
};

// The picture in GIF row order for the LZW coder, as a run of pixels that covers a part of the picture (a
// window) at a time. A top-to-bottom picture of one byte per pixel is one window: the picture itself.
// Interlaced rows, and the rows of a packed picture (unpacked), are copied into a buffer of a fixed size, and
// each new window keeps the pixels the coder has not reached, so a match never has to look past a window's
// end: a string never has more pixels than there are codes.
//
// The rows may also come from a GifRowSource, one at a time as the window needs them, straight into it; start
// and advance then return false when a row cannot be had.
//
// Usage: start -> code from pixels()[k] while k < reach() -> advance(k) -> ... until last().
class GifOrderWindow {
public:
    // Pixels a match may look at past its start: the longest string, one more pixel and a leap's group.
    static constexpr size_t kMatchReach = 4096 + 16;

    // pixels holds width x height values, rows top first, stored_bits each (see row_bytes), unchanged while
    // the window is in use. With source, the rows come from there instead (one byte per pixel, each below
    // 2^depth, else the row counts as missing; pixels is not read). False when the buffer an interlaced or
    // packed picture needs cannot be had, or a row cannot be read (rows_missing() tells which).
    bool start(const uint8_t* pixels, int32_t width, int32_t height, bool interlaced,
               int stored_bits = kBytePerPixel, GifRowSource* source = nullptr, int depth = 8);

    GifOrderWindow() = default;
    GifOrderWindow(const GifOrderWindow&) = delete;
    GifOrderWindow& operator=(const GifOrderWindow&) = delete;

    const uint8_t* pixels() const { return pixels_; }
    // Pixels in the window.
    size_t count() const { return count_; }
    // How many pixels of the picture come before the window.
    size_t base() const { return base_; }
    // Whether the window reaches the picture's end.
    bool last() const { return last_; }
    // Where the coder may start a match: anywhere below this.
    size_t reach() const { return last_ ? count_ : count_ - kMatchReach; }
    // Moves on: the pixels from done on stay, at the start of the window, and the next rows follow them. Only
    // before the last window. False when a row cannot be read.
    bool advance(size_t done);
    bool rows_missing() const { return rows_missing_; }

private:
    bool fill();
    // Copies the row'th row, one byte per pixel, to out.
    bool copy_row(int32_t row, uint8_t* out) const;

    const uint8_t* picture_ = nullptr;
    size_t width_ = 0;
    size_t row_bytes_ = 0;
    int stored_bits_ = kBytePerPixel;
    int32_t height_ = 0;
    GifRowSource* source_ = nullptr;
    int depth_ = 8;
    bool rows_missing_ = false;
    GifRows rows_{0, false};
    int32_t pending_row_ = -1;  // the next row to copy, -1: none left
    MallocBuffer<uint8_t> buffer_;
    size_t capacity_ = 0;
    const uint8_t* pixels_ = nullptr;
    size_t count_ = 0;
    size_t base_ = 0;
    bool last_ = true;
};

#endif
