// clBitMap: the run's one in-memory picture.
//
// Pixels are stored top row first, no padding between rows: one index byte per pixel for depths 1 to 8, three
// bytes blue, green, red for depth 24. A 1- or 4-bit picture may instead be created packed: each row then
// takes ceil(width x bits / 8) bytes, first pixel in the most significant bits, as a BMP file stores it; the
// colour work keeps it packed (a smaller depth after compact_palette keeps the same storage), and the GIF
// writer unpacks a few rows at a time. The buffer is one zero-filled allocation of width x height x bytes per
// pixel, rounded up to 16. The colour operations rewrite a true-colour image into an indexed one in place (one
// byte per pixel in the first width x height bytes), so color_depth may then be anything from 1 to 8.
//
// Lifecycle: construct -> set_color_depth -> create -> fill pixels/palette -> [set_transparent_index] ->
// colour work -> read by the GIF writer -> release/destroy. Fields not yet set hold -1.
#ifndef VASTRELMON_IMAGE_BITMAP_H
#define VASTRELMON_IMAGE_BITMAP_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/error_record.h"
#include "platform/malloc_buffer.h"

constexpr int32_t kMaxImageWidth = 6400;
constexpr int32_t kMaxImageHeight = 4800;
constexpr int kPaletteEntries = 256;

// Error codes of clBitMap and its colour operations.
constexpr uint32_t kBitmapAlreadyCreated = 0x3A0001;
constexpr uint32_t kBitmapNotCreated = 0x3A0003;
constexpr uint32_t kBitmapIllegalResult = 0x3A0004;
constexpr uint32_t kBitmapOutOfRange = 0x3A0006;
constexpr uint32_t kBitmapNoMemory = 0x3A0007;
constexpr int kPaletteBytes = kPaletteEntries * 3;

// Tone curves of apply_tone and channels of keep_channel.
enum ToneKind : int { TONE_GREY = 0, TONE_RED = 1, TONE_BLUE = 2, TONE_ROSE = 3 };
enum ChannelKind : int { CHANNEL_RED = 0, CHANNEL_GREEN = 1, CHANNEL_BLUE = 2 };

class TrueColorPalette;

class clBitMap {
public:
    clBitMap();
    ~clBitMap();
    clBitMap(const clBitMap&) = delete;
    clBitMap& operator=(const clBitMap&) = delete;

    // Depths 1 to this one are indexed; above it a pixel is three bytes blue, green, red.
    static constexpr int32_t kMaxIndexedDepth = 8;
    static constexpr int32_t kTrueColorDepth = 24;
    static constexpr int kTrueColorBytes = 3;

    // Frees the pixels and unsets size, depth and transparency; error record and palette stay. Cannot fail.
    void release();
    // Once while unset; bits 1, 4, 8 or 24. Errors 0x3A0006 (lines 108, 117).
    int set_color_depth(int bits);
    // Needs the depth; 1..6400 x 1..4800. With packed, a 1- or 4-bit picture
    // keeps its rows packed (other depths ignore it). Errors 0x3A0001 (52),
    // 0x3A0006 (59, 65), 0x3A0007 (79: width, height and data_size stay set).
    int create(int width, int height, bool packed = false);
    // Needs a depth of 8 or less; index 0..255. Errors 0x3A0006 (149, 155, 161).
    int set_transparent_index(int index);

    int32_t get_width() const { return width_; }
    int32_t get_height() const { return height_; }
    int32_t get_color_depth() const { return color_depth_; }
    int32_t get_transparent_index() const { return transparent_index_; }
    // Size of the pixel buffer in bytes (-1 before create).
    int32_t get_data_size() const { return data_size_; }
    // Bits a pixel takes in the buffer: 1 or 4 when packed, else 8 (a byte per index, or per channel at depth 24).
    int32_t get_stored_bits() const { return stored_bits_; }
    // Bytes of one row in the buffer.
    size_t row_bytes() const;
    // The index of pixel (x, y) of an indexed picture, packed or not.
    uint8_t index_at(int32_t x, int32_t y) const;

    // The pixel buffer (null until create succeeds), read and written in place by the reader, the colour work
    // and the GIF writer; and the kPaletteBytes-byte palette, red, green, blue per entry.
    uint8_t* pixels() { return pixels_.get(); }
    const uint8_t* pixels() const { return pixels_.get(); }
    uint8_t* palette() { return palette_; }
    const uint8_t* palette() const { return palette_; }

    // Palette work (palette.cpp): compact_palette for depths 1/4/8, build_palette for depth 24; both in place.
    int compact_palette();
    // compact_palette looks at every kSampleRowStep-th row of an 8-bit picture first, from the top row on:
    // when those rows alone use all 256 entries, it reads no other row and leaves the picture as it is.
    static constexpr int32_t kSampleRowStep = 64;
    // compact_palette for pixels that lie elsewhere (and are read through map): used flags the indices they
    // hold. map gets each index's new one; the pixels here are left as they are.
    int compact_palette(const bool* used, uint8_t* map);
    int build_palette();
    // build_palette for a true-colour picture whose pixels are elsewhere (its file): colors holds them all,
    // and takes the table's order; the palette and depth are set from it, and the pixels, once read, become
    // indices through colors->index. Error 0x3A0006 (575).
    int take_palette(TrueColorPalette* colors);

    // Colour modes (color_modes.cpp). On an indexed image they rewrite the palette entries in use; on a
    // true-colour image they write a full palette, one index byte per pixel and set depth 8.
    int apply_tone(int kind);
    int keep_channel(int kind);
    int quantize_rgb332();

    // The error record of the last failure.
    uint32_t error_code;
    char error_text[kErrorTextSize];

private:
    size_t pixel_count() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
    bool is_indexed() const { return color_depth_ <= kMaxIndexedDepth; }
    // Palette entries an indexed picture may address: 2^color_depth.
    int entries_in_use() const { return 1 << color_depth_; }

    MallocBuffer<uint8_t> pixels_;  // data_size_ bytes, zero-filled
    uint8_t palette_[kPaletteBytes];
    int32_t width_;
    int32_t height_;
    int32_t transparent_index_;
    int32_t color_depth_;
    int32_t data_size_;
    int32_t stored_bits_;
};

// Integer luminance of an 8-bit colour, 0..255.
uint32_t luminance(uint32_t red, uint32_t green, uint32_t blue);

#endif
