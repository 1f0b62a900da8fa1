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
#include "platform/byte_sink.h"
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

// The stream of the last code_picture.
inline std::string g_stream;

// A picture as code_picture describes it: a palette whose entry i is
// 7 i (mod 256) in every byte, no comment.
inline GifPicture describe_picture(int width, int height, int depth, CoderMode mode, bool interlace = false)
{
    static std::vector<uint8_t> palette;
    if (palette.empty()) {
        for (size_t i = 0; i < kGifPaletteBytes; ++i) {
            palette.push_back(static_cast<uint8_t>(i * 7));
        }
    }
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.color_depth = depth;
    picture.palette = palette.data();
    picture.interlace = interlace;
    picture.coder = mode == LZW ? GifCoder::kLzw : mode == PLAIN ? GifCoder::kPlain : GifCoder::kPlainBiggest;
    if (g_progress_log != nullptr) {
        picture.progress = log_progress;
        picture.progress_context = g_progress_log;
    }
    return picture;
}

// Codes pixels (packed first when stored_bits is 1 or 4) into a stream in
// memory, kept in g_stream; the caller checks the status.
inline int code_picture(clGIFFile* gif, int width, int height, int depth, const std::vector<uint8_t>& pixels,
                        CoderMode mode, bool interlace = false, int stored_bits = 8)
{
    GifPicture picture = describe_picture(width, height, depth, mode, interlace);
    std::vector<uint8_t> packed;
    if (stored_bits != 8) {
        packed = pack_rows(pixels, width, height, stored_bits);
    }
    picture.pixels = stored_bits != 8 ? packed.data() : pixels.data();
    picture.stored_bits = stored_bits;
    MemorySink sink;
    const int status = gif->encode(picture, &sink);
    g_stream.assign(reinterpret_cast<const char*>(sink.data()), sink.size());
    return status;
}

// The image data of the last stream without its framing: the sub-blocks'
// bytes joined. The framing must be exact (every sub-block but the last 255
// bytes, then the empty one, then the trailer); otherwise the result is
// empty and a test failure names what is wrong.
inline std::vector<uint8_t> coded_bytes(const clGIFFile&)
{
    const std::string& s = g_stream;
    const auto byte = [&s](size_t at) { return static_cast<uint8_t>(s[at]); };
    if (s.size() < 13) {
        ADD_FAILURE() << "no stream";
        return {};
    }
    size_t at = 13 + 3 * (size_t{2} << (byte(10) & 7));
    // Extensions (sub-blocks after the label), then the image descriptor.
    while (at < s.size() && byte(at) == 0x21) {
        at += 2;
        while (at < s.size() && byte(at) != 0) {
            at += 1 + byte(at);
        }
        ++at;
    }
    if (at >= s.size() || byte(at) != 0x2C) {
        ADD_FAILURE() << "no image descriptor";
        return {};
    }
    at += 10 + 1;  // the descriptor and the code size
    std::vector<uint8_t> data;
    bool short_seen = false;
    while (at < s.size() && byte(at) != 0) {
        const size_t n = byte(at);
        if (short_seen || at + 1 + n > s.size()) {
            ADD_FAILURE() << "sub-block at " << at << " after a short one or past the end";
            return {};
        }
        short_seen = n < 255;
        data.insert(data.end(), s.begin() + static_cast<long>(at) + 1, s.begin() + static_cast<long>(at + 1 + n));
        at += 1 + n;
    }
    if (at + 2 != s.size() || byte(at + 1) != 0x3B) {
        ADD_FAILURE() << "coded data does not end with its one empty sub-block and the trailer";
        return {};
    }
    return data;
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
