// Whole streams read back by giflib: whatever the depth, size, coder and row
// order, the decoder must return exactly the pixels that went in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gif/gif_test_util.h"
#include "tests/support/gif_decode.h"

namespace {

// Runs of random length, so the LZW coder finds long matches too.
std::vector<uint8_t> runs(size_t count, int depth, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels;
    while (pixels.size() < count) {
        size_t length = 1 + random() % 40;
        uint8_t value = static_cast<uint8_t>(random() & ((1u << depth) - 1));
        pixels.insert(pixels.end(), length, value);
    }
    pixels.resize(count);
    return pixels;
}

void expect_round_trip(int width, int height, int depth, const std::vector<uint8_t>& pixels,
                       CoderMode mode, bool interlace)
{
    std::string where = "depth " + std::to_string(depth) + ", " + std::to_string(width) + "x" +
                        std::to_string(height) + ", mode " + std::to_string(mode) +
                        (interlace ? ", interlaced" : "");
    clGIFFile gif;
    ASSERT_EQ(code_picture(&gif, width, height, depth, pixels, mode, interlace), 0)
        << where << ": " << gif.error_text;
    DecodedGif decoded = decode_gif_bytes(g_stream);
    ASSERT_TRUE(decoded.ok) << where << ": " << decoded.error;
    EXPECT_EQ(decoded.width, width) << where;
    EXPECT_EQ(decoded.height, height) << where;
    EXPECT_EQ(decoded.interlaced, interlace) << where;
    EXPECT_EQ(decoded.color_table.size(), 3u * (depth == 1 ? 4 : 1u << depth)) << where;
    EXPECT_TRUE(decoded.pixels == pixels) << where << ": giflib returned other pixels";
}

TEST(RoundTrip, EveryDepthSizeModeAndRowOrder)
{
    const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {3, 3}, {9, 7}, {1, 9}, {17, 13},
                            {255, 3}, {64, 64}, {300, 200}};
    unsigned seed = 1;
    for (int depth = 1; depth <= 8; ++depth) {
        for (const auto& size : sizes) {
            size_t count = static_cast<size_t>(size[0]) * static_cast<size_t>(size[1]);
            for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
                for (bool interlace : {false, true}) {
                    expect_round_trip(size[0], size[1], depth, noise(count, depth, ++seed), mode,
                                      interlace);
                }
            }
            expect_round_trip(size[0], size[1], depth, runs(count, depth, ++seed), LZW, false);
        }
    }
}

TEST(RoundTrip, LongPicturesWithManyTableResets)
{
    for (int depth : {2, 5, 8}) {
        for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
            expect_round_trip(640, 480, depth, noise(640 * 480, depth, 77), mode, true);
        }
    }
    // One flat colour: the LZW strings grow as long as they can.
    expect_round_trip(1000, 1000, 8, std::vector<uint8_t>(1000000, 42), LZW, false);
}

}  // namespace
