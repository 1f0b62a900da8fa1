// The fixed blocks of the GIF stream as the byte images the stream writer copies out verbatim: header and
// logical screen descriptor, global color table, graphic control extension, image descriptor. The encoder's
// settings fill in their fields; where each field sits is known only here.
#ifndef VASTRELMON_GIF_STREAM_BLOCKS_H
#define VASTRELMON_GIF_STREAM_BLOCKS_H

#include <cstdint>

struct StreamBlocks {
    static constexpr int kHeaderSize = 13;
    static constexpr int kColorTableSize = 256 * 3;
    static constexpr int kImageDescriptorSize = 10;
    static constexpr int kGraphicControlSize = 8;

    uint8_t header[kHeaderSize];
    uint8_t color_table[kColorTableSize];
    uint8_t image_descriptor[kImageDescriptorSize];
    uint8_t graphic_control[kGraphicControlSize];

    // Every block as in a new encoder: signature, introducers and labels, all other fields 0.
    void reset();
    // Screen and image size; the image sits at 0, 0.
    void set_size(int32_t width, int32_t height);
    // The color resolution and table size fields for depth 1..8.
    void set_color_depth(int32_t depth);
    // 2^depth red, green, blue entries; marks the global table present.
    void set_palette(const uint8_t* entries, int32_t depth);
    void set_interlaced();
    void set_transparent(int32_t index);
};

// Extension introducer and label of a comment, and the trailer.
extern const uint8_t kCommentIntroducer[2];
constexpr uint8_t kGifTrailer = 0x3B;

// Entries of the color table as it is declared and written: depth 1 is declared as a four-entry table.
int color_table_entries(int32_t depth);
// The LZW minimum code size for a depth: 2 for depth 1, the depth otherwise.
int min_code_size(int32_t depth);

#endif
