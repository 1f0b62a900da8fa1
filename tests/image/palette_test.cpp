#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bitmap.h"
#include "tests/image/image_recipes.h"

namespace {

TEST(CompactPalette, MovesUsedEntriesToTheFrontAndLowersTheDepth)
{
    clBitMap image;
    make_indexed(&image, 8, {200, 3, 7, 3, 200, 7});
    ASSERT_EQ(image.compact_palette(), 0) << image.error_text;
    EXPECT_EQ(image.get_color_depth(), 2);
    EXPECT_EQ(indices(image), (std::vector<int>{2, 0, 1, 0, 2, 1}));
    EXPECT_EQ(entry(image, 0), original_entry(3));
    EXPECT_EQ(entry(image, 1), original_entry(7));
    EXPECT_EQ(entry(image, 2), original_entry(200));
    for (int i = 3; i < kPaletteEntries; ++i) {
        ASSERT_EQ(entry(image, i), (Color{0, 0, 0})) << "entry " << i;
    }
}

TEST(CompactPalette, LeavesAFullyUsedPaletteAlone)
{
    clBitMap image;
    std::vector<uint8_t> row;
    for (int i = 15; i >= 0; --i) {
        row.push_back(static_cast<uint8_t>(i));
    }
    make_indexed(&image, 4, row);
    const std::string before = snapshot(image);
    EXPECT_EQ(image.compact_palette(), 0);
    EXPECT_EQ(snapshot(image), before);
}

// Rows of 256 pixels, every entry in each of them but entry 77: in row 0,
// in row 1 (between the rows that are looked at first), or nowhere.
TEST(CompactPalette, FindsAFullTableWhereverItsLastEntryIs)
{
    constexpr int kWidth = kPaletteEntries;
    constexpr int kHeight = 130;
    constexpr int kRare = 77;
    for (int rare_row : {0, 1, -1}) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            pixels.push_back(static_cast<uint8_t>(i % kWidth == kRare ? kRare + 1 : i % kWidth));
        }
        if (rare_row >= 0) {
            pixels[rare_row * kWidth + kRare] = kRare;
        }
        clBitMap image;
        make_indexed(&image, 8, pixels, kHeight);
        const std::string before = snapshot(image);
        ASSERT_EQ(image.compact_palette(), 0) << image.error_text;
        if (rare_row >= 0) {
            EXPECT_EQ(snapshot(image), before) << "entry 77 in row " << rare_row;
            continue;
        }
        EXPECT_EQ(image.get_color_depth(), 8);
        EXPECT_EQ(image.pixels()[kRare + 1], kRare);
        EXPECT_EQ(entry(image, kRare), original_entry(kRare + 1));
        EXPECT_EQ(entry(image, kPaletteEntries - 1), (Color{0, 0, 0}));
    }
}

TEST(CompactPalette, RefusesAPictureOfOneIndex)
{
    clBitMap image;
    make_indexed(&image, 1, {1, 1, 1});
    const std::string before = snapshot(image);
    EXPECT_EQ(image.compact_palette(), 1);
    EXPECT_EQ(std::string(image.error_text), ":3A0004:00277:illegal result.[calc bit depth:0]");
    EXPECT_EQ(snapshot(image), before);
}

TEST(CompactPalette, RenumbersTheTransparentIndex)
{
    clBitMap used;
    make_indexed(&used, 8, {3, 7, 3});
    used.set_transparent_index(7);
    ASSERT_EQ(used.compact_palette(), 0);
    EXPECT_EQ(used.get_transparent_index(), 1);

    clBitMap unused;
    make_indexed(&unused, 8, {3, 5, 3});
    unused.set_transparent_index(7);
    ASSERT_EQ(unused.compact_palette(), 0);
    EXPECT_EQ(unused.get_transparent_index(), -1);
}

TEST(CompactPalette, RefusesMissingBufferAndUnsupportedDepth)
{
    clBitMap empty;
    EXPECT_EQ(empty.compact_palette(), 1);
    EXPECT_EQ(std::string(empty.error_text), ":3A0003:00215:data area is not created.");

    clBitMap true_color;
    make_true_color(&true_color, {{1, 2, 3}});
    EXPECT_EQ(true_color.compact_palette(), 1);
    EXPECT_EQ(std::string(true_color.error_text), ":3A0006:00223:yet set or not support variable.[C:24]");
}

TEST(BuildPalette, GivesEachColourCountTheFewestBits)
{
    const int counts[][2] = {{2, 1},  {3, 2},  {4, 2},  {5, 3},  {8, 3},   {9, 4},   {16, 4},  {17, 5},
                             {32, 5}, {33, 6}, {64, 6}, {65, 7}, {128, 7}, {129, 8}, {256, 8}};
    for (const auto& count : counts) {
        std::vector<Color> row;
        for (int k = 0; k < count[0]; ++k) {
            row.push_back(distinct_color(k));
        }
        clBitMap image;
        make_true_color(&image, row);
        ASSERT_EQ(image.build_palette(), 0) << image.error_text;
        EXPECT_EQ(image.get_color_depth(), count[1]) << count[0] << " colours";
        for (size_t i = 0; i < row.size(); ++i) {
            ASSERT_EQ(entry(image, image.pixels()[i]), row[i]) << "pixel " << i << " of " << count[0];
        }
    }
}

TEST(BuildPalette, PacksPixelBytesAsBlueGreenRed)
{
    clBitMap image;
    make_true_color(&image, {{0x30, 0x20, 0x10}, {0, 0, 0}});
    ASSERT_EQ(image.build_palette(), 0);
    EXPECT_EQ(entry(image, image.pixels()[0]), (Color{0x30, 0x20, 0x10}));
}

TEST(BuildPalette, OrdersByUsageCountModulo256)
{
    // A: 300 pixels (key 44), seen first; B: 100 pixels (key 100).
    std::vector<Color> row;
    for (int i = 0; i < 400; ++i) {
        row.push_back(i % 4 == 3 ? Color{0, 0, 255} : Color{255, 0, 0});
    }
    clBitMap image;
    make_true_color(&image, row);
    ASSERT_EQ(image.build_palette(), 0);
    EXPECT_EQ(entry(image, 0), (Color{0, 0, 255}));
    EXPECT_EQ(entry(image, 1), (Color{255, 0, 0}));
    EXPECT_EQ(image.pixels()[0], 1);
    EXPECT_EQ(image.pixels()[3], 0);
}

TEST(BuildPalette, EqualKeysKeepTheirOrderOfFirstAppearance)
{
    // 40 colours, enough for an unstable sort to shuffle equal keys. Odd
    // colours are used twice (key 2), even ones once (key 1); every fifth
    // also 256 times more, which leaves its key as it was.
    constexpr int kColors = 40;
    std::vector<Color> row;
    for (int k = 0; k < kColors; ++k) {
        row.push_back(distinct_color(k));
    }
    for (int k = 0; k < kColors; ++k) {
        const size_t extra = (k % 2 == 1 ? 1 : 0) + (k % 5 == 0 ? 256 : 0);
        row.insert(row.end(), extra, distinct_color(k));
    }
    clBitMap image;
    make_true_color(&image, row);
    ASSERT_EQ(image.build_palette(), 0);
    int position = 0;
    for (int parity : {1, 0}) {
        for (int k = parity; k < kColors; k += 2, ++position) {
            EXPECT_EQ(entry(image, position), distinct_color(k)) << "entry " << position;
        }
    }
}

TEST(BuildPalette, StopsAtThe257thColourWithCodeZero)
{
    std::vector<Color> row;
    for (int k = 0; k < 257; ++k) {
        row.push_back(distinct_color(k));
    }
    clBitMap image;
    make_true_color(&image, row);
    const std::string pixels_before(reinterpret_cast<const char*>(image.pixels()), 257 * 3);
    image.error_code = 0x3A0006;
    EXPECT_EQ(image.build_palette(), 0);
    EXPECT_EQ(image.get_color_depth(), 24);
    EXPECT_EQ(image.error_code, 0u);
    EXPECT_EQ(std::string(image.error_text), ":000000:00613:use color is more than 257.");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.pixels()), 257 * 3), pixels_before);
    for (int i = 0; i < kPaletteEntries; ++i) {
        ASSERT_EQ(entry(image, i), (Color{0, 0, 0})) << "entry " << i;
    }
}

TEST(BuildPalette, ABlankCanvasGetsOneBit)
{
    clBitMap image;
    make_true_color(&image, std::vector<Color>(5, Color{12, 34, 56}));
    ASSERT_EQ(image.build_palette(), 0);
    EXPECT_EQ(image.get_color_depth(), 1);
    EXPECT_EQ(entry(image, 0), (Color{12, 34, 56}));
    EXPECT_EQ(entry(image, 1), (Color{0, 0, 0}));
    EXPECT_EQ(indices(image), std::vector<int>(5, 0));
}

TEST(BuildPalette, RefusesMissingBufferAndIndexedPictures)
{
    clBitMap empty;
    EXPECT_EQ(empty.build_palette(), 1);
    EXPECT_EQ(std::string(empty.error_text), ":3A0003:00569:data area is not created.");

    clBitMap indexed;
    make_indexed(&indexed, 8, {1, 2});
    EXPECT_EQ(indexed.build_palette(), 1);
    EXPECT_EQ(std::string(indexed.error_text), ":3A0006:00575:yet set or not support variable.[C:8]");
}

}  // namespace
