// Reads a GIF with giflib, an independent decoder, so tests can compare what
// it sees with what they put in.
#ifndef VASTRELMON_TESTS_SUPPORT_GIF_DECODE_H
#define VASTRELMON_TESTS_SUPPORT_GIF_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

struct DecodedGif {
    bool ok = false;
    std::string error;  // why decoding failed, when it did
    int width = 0;      // of the first image
    int height = 0;
    bool interlaced = false;
    int image_count = 0;
    int screen_width = 0;
    int screen_height = 0;
    // Global colour table, three bytes (red, green, blue) per entry; empty
    // when the file has none.
    std::vector<uint8_t> color_table;
    // From the graphic control extension of the first image.
    bool has_graphic_control = false;
    int transparent_index = -1;  // -1: no transparent colour
    // The comment extensions, their sub-blocks joined.
    bool has_comment = false;
    std::string comment;
    // The first image's indices, top row first (giflib undoes interlacing).
    std::vector<uint8_t> pixels;
};

DecodedGif decode_gif_bytes(const std::string& bytes);
DecodedGif decode_gif_file(const std::string& path);

#endif
