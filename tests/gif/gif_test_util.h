// Shared by the GIF tests: an encoder configured in one call, the stream it
// writes, and a reader that splits coded data into codes the way a decoder
// does, so tests can look at code values and widths.
#ifndef VASTRELMON_TESTS_GIF_GIF_TEST_UTIL_H
#define VASTRELMON_TESTS_GIF_GIF_TEST_UTIL_H

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gif/gif_file.h"
#include "tests/support/run_process.h"

enum CoderMode { LZW, PLAIN, PLAIN_BIGGEST };

// A full color table: 256 entries of red, green, blue.
constexpr size_t kGifPaletteBytes = 256 * 3;

// When set, code_picture has the coder report its progress here.
inline std::vector<int32_t>* g_progress_log = nullptr;

inline bool log_progress(void* context, int32_t percent)
{
    static_cast<std::vector<int32_t>*>(context)->push_back(percent);
    return true;
}

// Index bytes packed into rows of `bits` bits per pixel, first pixel in
// the high bits; the unused low bits of each row's last byte are set, as
// no coder may read them.
inline std::vector<uint8_t> pack_rows(const std::vector<uint8_t>& pixels, int width, int height, int bits)
{
    const size_t stride = (static_cast<size_t>(width) * bits + 7) / 8;
    std::vector<uint8_t> packed(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = packed.data() + stride * y;
        for (int x = 0; x < width; ++x) {
            const int bit = x * bits;
            row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | pixels[static_cast<size_t>(y) * width + x]
                                                                     << (8 - bits - bit % 8));
        }
        const int unused = static_cast<int>(stride * 8) - width * bits;
        row[stride - 1] = static_cast<uint8_t>(row[stride - 1] | ((1 << unused) - 1));
    }
    return packed;
}

// Codes pixels in a new encoder, packed first when stored_bits is 1 or 4;
// the caller checks the status. With open_path the file is opened before
// the pixels are coded, so a big picture's data is written while it is.
inline int code_picture(clGIFFile* gif, int width, int height, int depth,
                        const std::vector<uint8_t>& pixels, CoderMode mode,
                        bool interlace = false, int stored_bits = 8, const char* open_path = nullptr)
{
    if (gif->create(width, height) != 0 || gif->set_color_depth(depth) != 0) {
        return 1;
    }
    std::vector<uint8_t> palette(kGifPaletteBytes);
    for (size_t i = 0; i < palette.size(); ++i) {
        palette[i] = static_cast<uint8_t>(i * 7);
    }
    gif->set_palette(palette.data());
    if (interlace) {
        gif->set_interlace();
    }
    mode == LZW ? gif->lzw_on() : gif->lzw_off();
    mode == PLAIN_BIGGEST ? gif->biggest_on() : gif->biggest_off();
    if (g_progress_log != nullptr) {
        gif->set_progress(log_progress, g_progress_log);
    }
    if (open_path != nullptr && gif->open_file(open_path) != 0) {
        return 1;
    }
    if (stored_bits != 8) {
        return gif->set_graphics(pack_rows(pixels, width, height, stored_bits).data(), stored_bits);
    }
    return gif->set_graphics(pixels.data());
}

// The coded data without its framing: the sub-blocks' bytes joined. The
// framing must be exact (every sub-block but the last 255 bytes, then the
// empty one, nothing after it); otherwise the result is empty and a test
// failure names what is wrong.
inline std::vector<uint8_t> coded_bytes(const clGIFFile& gif)
{
    std::vector<uint8_t> data;
    const uint8_t* framed = gif.coded_data();
    const size_t size = gif.coded_size();
    size_t at = 0;
    bool short_seen = false;
    while (at < size) {
        const size_t n = framed[at];
        if (n == 0) {
            break;
        }
        if (short_seen || at + 1 + n > size) {
            ADD_FAILURE() << "sub-block at " << at << " after a short one or past the end";
            return {};
        }
        short_seen = n < 255;
        data.insert(data.end(), framed + at + 1, framed + at + 1 + n);
        at += 1 + n;
    }
    if (framed != nullptr && at + 1 != size) {
        ADD_FAILURE() << "coded data does not end with its one empty sub-block";
        return {};
    }
    return data;
}

// Writes the stream of a coded encoder into a file and returns its bytes, or
// the error text when that fails. The file is removed again.
inline std::string stream_of(clGIFFile* gif, const TempDir& dir, const char* name = "t.gif")
{
    std::string path = dir.file(name);
    if (gif->open_file(path.c_str()) != 0 || gif->write_gif() != 0) {
        return std::string("failed: ") + gif->error_text;
    }
    gif->close_file();
    std::string bytes = read_file(path);
    std::remove(path.c_str());
    return bytes;
}

inline std::vector<uint8_t> noise(size_t count, int depth, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(count);
    for (uint8_t& p : pixels) {
        p = static_cast<uint8_t>(random() & ((1u << depth) - 1));
    }
    return pixels;
}

struct Code {
    int value;
    int width;
    bool operator==(const Code& other) const
    {
        return value == other.value && width == other.width;
    }
};

// Splits coded data into codes with the widths a GIF decoder reads them at:
// it adds a string for every code but the first after a clear, and reads one
// bit more once its next free code reaches 2^width (at most 12 bits).
inline std::vector<Code> read_codes(const std::vector<uint8_t>& data, int min_code_size)
{
    const int clear = 1 << min_code_size;
    std::vector<Code> codes;
    size_t bit = 0;
    int width = min_code_size + 1;
    int next_free = clear + 2;
    bool first = true;
    while (bit + static_cast<size_t>(width) <= data.size() * 8) {
        int value = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            value |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        }
        codes.push_back({value, width});
        if (value == clear) {
            width = min_code_size + 1;
            next_free = clear + 2;
            first = true;
            continue;
        }
        if (value == clear + 1) {
            break;
        }
        if (!first && next_free < 4096) {
            ++next_free;
        }
        first = false;
        if (next_free == (1 << width) && width < 12) {
            ++width;
        }
    }
    return codes;
}

#endif
