// The coders against a reference written straight from the algorithm: the
// string table a plain 4096 x 256 array filled with -1 at every clear code,
// the codes written one bit at a time, the guard at every completed byte.
// Whatever the coders do to be fast (narrow rows, repeats, leaps, bits, a
// second thread gathering the rows), the bytes, the
// failures and the pixels left behind must be exactly the reference's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/gif/gif_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- The reference ------------------------------------------------------

class ReferenceBits {
public:
    explicit ReferenceBits(size_t capacity) : area_(capacity, 0), capacity_(capacity) {}

    // False as soon as a completed byte brings the position to the capacity.
    bool emit(int code, int width)
    {
        for (int i = 0; i < width; ++i) {
            if ((code >> i) & 1) {
                area_[position_] = static_cast<uint8_t>(area_[position_] | (1 << bit_));
            }
            if (++bit_ == 8) {
                bit_ = 0;
                if (++position_ == capacity_) {
                    return false;
                }
            }
        }
        return true;
    }

    Bytes bytes() const { return Bytes(area_.begin(), area_.begin() + position_ + (bit_ > 0 ? 1 : 0)); }

private:
    Bytes area_;
    size_t capacity_;
    size_t position_ = 0;
    int bit_ = 0;
};

struct Coded {
    bool ok;
    Bytes bytes;
    bool operator==(const Coded& other) const { return ok == other.ok && bytes == other.bytes; }
};

int min_code_bits(int depth)
{
    return depth == 1 ? 2 : depth;
}

Coded reference_lzw(const Bytes& pixels, int depth, size_t capacity)
{
    const int b = min_code_bits(depth);
    const int clear = 1 << b;
    const int end = clear + 1;
    std::vector<int16_t> table(4096 * 256);
    ReferenceBits out(capacity);
    int next = 0;
    int width = b + 1;
    int limit = (1 << (b + 1)) - 1;
    size_t k = 0;
    int code = clear;
    for (;;) {
        if (!out.emit(code, width)) {
            return {false, {}};
        }
        if (code == clear) {
            next = clear + 2;
            std::fill(table.begin(), table.end(), static_cast<int16_t>(-1));
            width = b + 1;
            limit = (1 << (b + 1)) - 1;
        } else if (code == end) {
            break;
        } else {
            if (next > limit) {
                limit = 2 * limit + 1;
                ++width;
            }
            ++next;
        }
        if (next == 4096) {
            code = clear;
        } else if (k == pixels.size()) {
            code = end;
        } else {
            int current = pixels[k++];
            while (k < pixels.size()) {
                int16_t& entry = table[static_cast<size_t>(current) * 256 + pixels[k]];
                if (entry == -1) {
                    entry = static_cast<int16_t>(next);
                    break;
                }
                current = entry;
                ++k;
            }
            code = current;
        }
    }
    return {true, out.bytes()};
}

Coded reference_uncompressed(const Bytes& pixels, int depth, bool biggest, size_t capacity)
{
    const int b = min_code_bits(depth);
    const int clear = 1 << b;
    const int end = clear + 1;
    const int clear_at = biggest ? 4095 : (1 << (b + 1)) - 1;
    ReferenceBits out(capacity);
    int next = 0;
    int width = b + 1;
    int limit = (1 << (b + 1)) - 1;
    size_t k = 0;
    int code = clear;
    for (;;) {
        if (!out.emit(code, width)) {
            return {false, {}};
        }
        if (code == clear) {
            next = clear + 1;
            width = b + 1;
            limit = (1 << (b + 1)) - 1;
        } else if (code == end) {
            break;
        } else {
            ++next;
            if (next > limit) {
                limit = 2 * limit + 1;
                ++width;
            }
        }
        if (next == 4095) {
            code = clear;
        } else if (k == pixels.size()) {
            code = end;
        } else if (next == clear_at) {
            code = clear;
        } else {
            code = pixels[k++];
        }
    }
    return {true, out.bytes()};
}

Bytes reference_gif_order(const Bytes& pixels, int width, int height, bool interlaced)
{
    if (!interlaced) {
        return pixels;
    }
    Bytes ordered;
    const int passes[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& pass : passes) {
        for (int row = pass[0]; row < height; row += pass[1]) {
            ordered.insert(ordered.end(), pixels.begin() + static_cast<long>(row) * width,
                           pixels.begin() + static_cast<long>(row + 1) * width);
        }
    }
    return ordered;
}

Coded reference_coding(const Bytes& ordered, int depth, CoderMode mode, size_t capacity)
{
    return mode == LZW ? reference_lzw(ordered, depth, capacity)
                       : reference_uncompressed(ordered, depth, mode == PLAIN_BIGGEST, capacity);
}

// ---- Pictures -------------------------------------------------------------

enum Content { NOISE, RUNS, SMOOTH, DITHER, FLAT, STRIPES };
const Content kContents[] = {NOISE, RUNS, SMOOTH, DITHER, FLAT, STRIPES};

const char* content_name(Content content)
{
    static const char* const names[] = {"noise", "runs", "smooth", "dither", "flat", "stripes"};
    return names[content];
}

// Values below 2^depth, shaped like real pictures of each kind: long equal
// runs and slow ramps feed the repeats and leaps, noise the bits, stripes
// long repeated strings that fill the table with deep strings.
Bytes picture(Content content, int width, int height, int depth, unsigned seed)
{
    std::mt19937 random(seed);
    const int top = (1 << depth) - 1;
    Bytes pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    size_t i = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, ++i) {
            int value = 0;
            switch (content) {
            case NOISE:
                value = static_cast<int>(random() & static_cast<unsigned>(top));
                break;
            case RUNS:
                value = i > 0 && random() % 9 != 0 ? pixels[i - 1] : static_cast<int>(random() % (top + 1));
                break;
            case SMOOTH: {
                const double f = 0.5 + 0.3 * std::sin(x * 0.013 + std::sin(y * 0.021)) + 0.15 * std::cos(y * 0.017);
                value = std::min(top, std::max(0, static_cast<int>(f * top) + (random() % 11 == 0 ? 1 : 0)));
                break;
            }
            case DITHER: {
                static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
                const int level = (x * 16 / std::max(1, width) + y * 3 / std::max(1, height)) % 17;
                value = level > kBayer[y & 3][x & 3] ? top : 0;
                break;
            }
            case FLAT:
                value = top / 2;
                break;
            case STRIPES:
                value = (x / 3 + y) % (top + 1);
                break;
            }
            pixels[i] = static_cast<uint8_t>(value);
        }
    }
    return pixels;
}

std::string describe(Content content, int width, int height, int depth, CoderMode mode, bool interlaced)
{
    static const char* const modes[] = {"LZW", "uncompressed", "uncompressed biggest"};
    return std::string(content_name(content)) + " " + std::to_string(width) + "x" + std::to_string(height) +
           " depth " + std::to_string(depth) + " " + modes[mode] + (interlaced ? " interlaced" : "");
}

// Codes a picture through encode and compares it with the reference:
// the coded bytes or the failure.
void expect_as_reference(const Bytes& pixels, int width, int height, int depth, CoderMode mode, bool interlaced,
                         const std::string& what, int stored_bits = 8)
{
    const Bytes ordered = reference_gif_order(pixels, width, height, interlaced);
    const Coded wanted = reference_coding(ordered, depth, mode, 2 * ordered.size() + 8);
    clGIFFile gif;
    const int status = code_picture(&gif, width, height, depth, pixels, mode, interlaced, stored_bits);
    ASSERT_EQ(status == 0, wanted.ok) << what << ": got " << gif.error_text;
    if (!wanted.ok) {
        EXPECT_STREQ(gif.error_text, mode == LZW ? ":3F0004:01336:not enough write area.[P]"
                                                  : ":3F0004:01166:not enough write area.[P]")
            << what;
        return;
    }
    const Bytes got = coded_bytes(gif);
    ASSERT_EQ(got.size(), wanted.bytes.size()) << what << ": coded length differs";
    const auto first = std::mismatch(got.begin(), got.end(), wanted.bytes.begin());
    EXPECT_TRUE(first.first == got.end()) << what << ": first different byte at " << (first.first - got.begin())
                                          << " of " << got.size();
}

// ---- Tests ----------------------------------------------------------------

TEST(LzwReference, SmallPicturesEveryDepthModeAndRowOrder)
{
    unsigned seed = 1;
    for (int depth = 1; depth <= 8; ++depth) {
        for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
            for (bool interlaced : {false, true}) {
                for (int width = 1; width <= 9; ++width) {
                    for (int height = 1; height <= 9; ++height) {
                        const Content content = kContents[(width + height) % 6];
                        expect_as_reference(picture(content, width, height, depth, seed++), width, height, depth,
                                            mode, interlaced,
                                            describe(content, width, height, depth, mode, interlaced));
                    }
                }
            }
        }
    }
}

// The biggest picture coded with the small string table, and one coded
// with the big one.
TEST(LzwReference, ManyTableResetsEveryDepthAndContent)
{
    unsigned seed = 100;
    for (const auto& size : {std::make_pair(128, 128), std::make_pair(300, 211)}) {
        for (int depth = 1; depth <= 8; ++depth) {
            for (Content content : kContents) {
                for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
                    const bool interlaced = (depth + content) % 2 == 0;
                    const Bytes pixels = picture(content, size.first, size.second, depth, seed++);
                    expect_as_reference(pixels, size.first, size.second, depth, mode, interlaced,
                                        describe(content, size.first, size.second, depth, mode, interlaced));
                }
            }
        }
    }
}

// Pictures whose data goes round the ring to the sink several times, and
// whose interlaced rows take many windows.
TEST(LzwReference, BigPictures)
{
    const int width = 1031;
    const int height = 1024;
    unsigned seed = 300;
    for (int depth : {1, 2, 3, 4, 5, 8}) {
        for (Content content : {NOISE, SMOOTH, DITHER, STRIPES}) {
            for (bool interlaced : {false, true}) {
                expect_as_reference(picture(content, width, height, depth, seed++), width, height, depth, LZW,
                                    interlaced, describe(content, width, height, depth, LZW, interlaced));
            }
        }
    }
}

// An interlaced picture is coded a window of rows at a time: strings as
// long as the table allows (one colour over millions of pixels) must run
// across the windows' edges unchanged.
TEST(LzwReference, LongestStringsAcrossInterlaceWindows)
{
    const int width = 2900;
    const int height = 2900;
    for (int depth : {1, 8}) {
        expect_as_reference(picture(FLAT, width, height, depth, 0), width, height, depth, LZW, true,
                            describe(FLAT, width, height, depth, LZW, true));
    }
}

// Packed rows (1 or 4 bits a pixel, as a BMP stores them) are unpacked a
// few at a time: every width against a byte's edge, rows gathered into
// interlace windows, and a 4-bit picture whose depth is smaller than its
// storage, where a value may not fit.
TEST(LzwReference, PackedRowsCodeAsTheirIndices)
{
    unsigned seed = 500;
    for (int stored_bits : {1, 4}) {
        for (int depth = 1; depth <= stored_bits; ++depth) {
            for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
                for (int width = 1; width <= 17; ++width) {
                    const int height = 1 + (width * 5) % 11;
                    const bool interlaced = (width + depth) % 2 == 0;
                    const Content content = kContents[width % 6];
                    expect_as_reference(picture(content, width, height, depth, seed++), width, height, depth, mode,
                                        interlaced, describe(content, width, height, depth, mode, interlaced) +
                                                        " packed " + std::to_string(stored_bits),
                                        stored_bits);
                }
            }
        }
    }
    // Many windows, and the two-thread coding, at widths that end inside a
    // byte.
    for (int stored_bits : {1, 4}) {
        for (bool interlaced : {false, true}) {
            const int width = 6397;
            const int height = 171;
            expect_as_reference(picture(DITHER, width, height, 1, seed++), width, height, 1, LZW, interlaced,
                                describe(DITHER, width, height, 1, LZW, interlaced) + " packed", stored_bits);
        }
    }
    Bytes pixels = picture(SMOOTH, 13, 7, 2, seed);
    pixels[13 * 6 + 12] = 4;
    for (CoderMode mode : {LZW, PLAIN}) {
        clGIFFile gif;
        ASSERT_EQ(code_picture(&gif, 13, 7, 2, pixels, mode, true, 4), 1);
        EXPECT_STREQ(gif.error_text, ":3F0004:00470:illegal data.[G]");
    }
}

// With the progress line the coding stays on one thread and prints as it
// goes; the bytes are the same.
TEST(LzwReference, ProgressLineChangesNoByte)
{
    std::vector<int32_t> shown;
    g_progress_log = &shown;
    expect_as_reference(picture(SMOOTH, 1031, 1024, 8, 7), 1031, 1024, 8, LZW, true, "smooth, shown");
    expect_as_reference(picture(NOISE, 700, 300, 4, 8), 700, 300, 4, LZW, false, "noise, shown");
    expect_as_reference(picture(DITHER, 1031, 1024, 1, 9), 1031, 1024, 1, LZW, false, "dither, shown");
    g_progress_log = nullptr;
    EXPECT_NE(std::count(shown.begin(), shown.end(), 100), 0);
}

// A value that does not fit the depth, wherever it is, fails the call
// before anything is coded, and a new call may still succeed.
TEST(LzwReference, MisfitPixelAnywhereFailsAsIfCheckedFirst)
{
    const int width = 1031;
    const int height = 1024;
    for (int depth : {1, 4, 7}) {
        for (bool interlaced : {false, true}) {
            for (size_t where : {size_t{0}, size_t{width} * 517 + 3, size_t{width} * height - 1}) {
                const std::string what = "depth " + std::to_string(depth) + (interlaced ? " interlaced" : "") +
                                         ", misfit at " + std::to_string(where);
                Bytes pixels = picture(SMOOTH, width, height, depth, 11);
                pixels[where] = static_cast<uint8_t>(1 << depth);
                clGIFFile gif;
                ASSERT_EQ(code_picture(&gif, width, height, depth, pixels, LZW, interlaced), 1) << what;
                EXPECT_STREQ(gif.error_text, ":3F0004:00470:illegal data.[G]") << what;
                EXPECT_EQ(g_stream, "") << what;

                pixels[where] = 0;
                ASSERT_EQ(code_picture(&gif, width, height, depth, pixels, LZW, interlaced), 0)
                    << what << ": " << gif.error_text;
                const Coded wanted =
                    reference_lzw(reference_gif_order(pixels, width, height, interlaced), depth, 2 * pixels.size() + 8);
                EXPECT_TRUE(coded_bytes(gif) == wanted.bytes) << what << ": the second call codes other bytes";
            }
        }
    }
}

}  // namespace
