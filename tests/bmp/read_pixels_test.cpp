// Colour tables and pixel rows: unpacking, padding, row order, truncation
// and offsets that point anywhere at all.
#include <algorithm>
#include <climits>

#include "bmp/bmp_file.h"
#include "tests/bmp/bmp_fixture.h"

namespace {

using bmp_writer::BmpRecipe;
using bmp_writer::Rgb;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

// A picture with no symmetry: every value depends on both x and y, and a
// flipped, mirrored or channel-swapped copy differs.
BmpRecipe sweep_picture(int bits, int width, int height)
{
    BmpRecipe recipe;
    recipe.bit_count = static_cast<uint16_t>(bits);
    recipe.width = width;
    recipe.height = height;
    int rows = height < 0 ? -height : height;
    if (bits <= 8) {
        recipe.palette = distinct_palette(1 << bits);
    }
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t seed = static_cast<uint32_t>(x * 5 + y * 3 + x * y + 1);
            recipe.pixels.push_back(bits == 24 ? (seed * 40u % 256) << 16 | (y * 70u % 256) << 8 |
                                                   ((x + 1) * 20u % 256)
                                             : seed % (1u << bits));
        }
    }
    return recipe;
}

TEST_F(BmpTest, WidthsOneToNineAtEveryDepthBothRowOrders)
{
    for (int bits : {1, 4, 8, 24}) {
        for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 33}) {
            for (int height : {3, -3}) {
                SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                             std::to_string(height));
                BmpRecipe recipe = sweep_picture(bits, width, height);
                clBitMap image;
                ASSERT_EQ(load(recipe, &image), 0) << printed;
                EXPECT_EQ(image.get_color_depth(), bits);
                EXPECT_EQ(image.get_width(), width);
                EXPECT_EQ(image.get_height(), 3);
                EXPECT_EQ(image_pixels(image), expected_pixels(recipe.pixels, bits));
            }
        }
    }
}

struct RawRow {
    int bits;
    int width;
    std::string row;  // one stored row, padding filled with 0xFF
    std::vector<uint32_t> want;
};

TEST_F(BmpTest, PaddingAndUnusedBitsAreIgnored)
{
    std::vector<uint32_t> wide(33, 0);
    wide[0] = 1;
    wide[31] = 1;
    const RawRow cases[] = {
        // 1 bit, width 33: 5 bytes of pixels, 3 of padding; bits past 33 set.
        {1, 33, std::string("\x80\x00\x00\x01\x7F\xFF\xFF\xFF", 8), wide},
        // 4 bits, width 9: the ninth pixel is the high nibble of byte 4.
        {4, 9, "\x01\x23\x45\x67\x8F\xFF\xFF\xFF", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {8, 3, "\x0A\x0B\x0C\xFF", {10, 11, 12}},
        {24, 1, "\x01\x02\x03\xFF", {0x030201}},
    };
    for (const RawRow& raw : cases) {
        SCOPED_TRACE(std::to_string(raw.bits) + " bits, width " + std::to_string(raw.width));
        BmpRecipe recipe;
        recipe.bit_count = static_cast<uint16_t>(raw.bits);
        recipe.width = raw.width;
        recipe.height = 1;
        if (raw.bits <= 8) {
            recipe.palette = distinct_palette(1 << raw.bits);
        }
        recipe.raw_pixels = raw.row;
        clBitMap image;
        ASSERT_EQ(load(recipe, &image), 0) << printed;
        EXPECT_EQ(image_pixels(image), expected_pixels(raw.want, raw.bits));
    }
}

TEST_F(BmpTest, RedCornerStaysTopLeftInBothRowOrders)
{
    for (int height : {2, -2}) {
        SCOPED_TRACE("stored height " + std::to_string(height));
        BmpRecipe recipe;
        recipe.width = 2;
        recipe.height = height;
        recipe.pixels = {kRed, kBlue, kBlue, kBlue};
        clBitMap image;
        ASSERT_EQ(load(recipe, &image), 0) << printed;
        // Blue, green, red per pixel; the red one first.
        EXPECT_EQ(image_pixels(image),
                  (std::vector<uint8_t>{0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 0, 0}));
    }
}

TEST_F(BmpTest, TableIsReadWhole)
{
    // A 16-entry table leaves entries 16..255 zero, whatever was there.
    BmpRecipe four = sweep_picture(4, 3, 2);
    clBitMap image;
    std::fill(image.palette(), image.palette() + kPaletteBytes, 0xAA);
    ASSERT_EQ(load(four, &image), 0) << printed;
    EXPECT_EQ(image.palette()[3 * 15], 255 - 15);
    EXPECT_EQ(std::vector<uint8_t>(image.palette() + 3 * 16, image.palette() + kPaletteBytes),
              std::vector<uint8_t>(kPaletteBytes - 3 * 16, 0));

    // A colours-used field of 2 does not shorten the 256-entry table.
    BmpRecipe eight = sweep_picture(8, 2, 1);
    eight.colors_used = 2;
    eight.pixels = {200, 1};
    clBitMap indexed;
    ASSERT_EQ(load(eight, &indexed), 0) << printed;
    EXPECT_EQ(indexed.pixels()[0], 200);
    EXPECT_EQ(indexed.palette()[3 * 200], 255 - 200);
    EXPECT_EQ(indexed.palette()[3 * 200 + 1], 200 * 3 % 256);
    EXPECT_EQ(indexed.palette()[3 * 200 + 2], 200);
}

struct BadBody {
    const char* what;
    BmpRecipe recipe;
    uint32_t code;
    int line;
    std::string text;
};

BmpRecipe with(BmpRecipe recipe, void (*change)(BmpRecipe&))
{
    change(recipe);
    return recipe;
}

TEST_F(BmpTest, CutTablesAndRowsAndWildOffsetsAreRefused)
{
    const BmpRecipe color = sweep_picture(24, 2, 3);  // rows of 8 bytes from offset 54
    const BmpRecipe indexed = sweep_picture(8, 2, 3);  // table from 54, rows from 1078
    const BadBody cases[] = {
        {"table one byte short", with(indexed, [](BmpRecipe& s) { s.truncate_to = 54 + 1023; }),
         0x340003, 396, "file access error.[read]"},
        {"no rows at all", with(color, [](BmpRecipe& s) { s.truncate_to = 54; }), 0x340003, 288,
         "file access error.[read,0,0]"},
        {"second stored row cut", with(color, [](BmpRecipe& s) { s.truncate_to = 54 + 8 + 5; }),
         0x340003, 288, "file access error.[read,5,1]"},
        {"last row one byte short", with(indexed, [](BmpRecipe& s) { s.truncate_to = 1078 + 11; }),
         0x340003, 288, "file access error.[read,3,2]"},
        {"pixel offset past the end",
         with(color, [](BmpRecipe& s) { s.pixel_offset = 0x7FFFFFFF; }), 0x340003, 288,
         "file access error.[read,0,0]"},
        {"pixel offset negative",
         with(color, [](BmpRecipe& s) { s.pixel_offset = 0x80000000; }), 0x340002, 255,
         "file access error.[seek]"},
        {"pixel offset -1", with(indexed, [](BmpRecipe& s) { s.pixel_offset = 0xFFFFFFFF; }),
         0x340002, 255, "file access error.[seek]"},
        // 14 + the field would wrap to 13 or to a negative int32.
        {"header size 4 GiB - 1",
         with(indexed, [](BmpRecipe& s) { s.header_size_field = 0xFFFFFFFF; }), 0x340003, 396,
         "file access error.[read]"},
        {"header size 2 GiB - 14",
         with(indexed, [](BmpRecipe& s) { s.header_size_field = 0x7FFFFFF2; }), 0x340003, 396,
         "file access error.[read]"},
    };
    for (const BadBody& bad : cases) {
        SCOPED_TRACE(bad.what);
        clBitMap image;
        EXPECT_EQ(load(bad.recipe, &image), 1);
        char shown[16];
        std::snprintf(shown, sizeof shown, "%X", bad.code);
        EXPECT_EQ(printed, "Error :Fail To Read BMP File(" + std::string(shown) + ")\n");

        BmpReader file = reader_of(bad.recipe);
        BmpInfo info;
        ASSERT_EQ(file.read_header(&info), 0) << file.error_text;
        uint8_t palette[kPaletteBytes];
        std::vector<uint8_t> pixels(100);
        int result = info.bit_count != 24 && file.read_table(&info, palette) != 0
                         ? 1
                         : file.read_pixels(&info, pixels.data(), 100);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(file.error_text, error_text(bad.code, bad.line, bad.text));
    }
}

TEST_F(BmpTest, HeaderSizeOnlyPlacesTheTable)
{
    // A true-colour picture has no table, so a wild header size is harmless;
    // trailing bytes after the rows are not read either.
    BmpRecipe recipe = sweep_picture(24, 3, 2);
    recipe.header_size_field = 0xFFFFFFFF;
    recipe.trailing = "garbage";
    clBitMap image;
    ASSERT_EQ(load(recipe, &image), 0) << printed;
    EXPECT_EQ(image_pixels(image), expected_pixels(recipe.pixels, 24));
}

TEST_F(BmpTest, ReaderNeverWritesPastTheCallersBuffer)
{
    BmpRecipe recipe = sweep_picture(8, 4, 4);
    BmpReader file = reader_of(recipe);
    BmpInfo info{};
    std::vector<uint8_t> pixels(16, 0x55);
    ASSERT_EQ(file.read_header(&info), 0) << file.error_text;

    // One byte too small: refused before anything is written.
    EXPECT_EQ(file.read_pixels(&info, pixels.data(), 15), 1);
    EXPECT_EQ(file.error_text, error_text(0x340006, 245, "imperfection argument.[3rd]"));
    EXPECT_EQ(pixels, std::vector<uint8_t>(16, 0x55));
    EXPECT_EQ(file.read_pixels(&info, pixels.data(), 16), 0) << file.error_text;
    EXPECT_EQ(pixels, expected_pixels(recipe.pixels, 8));
}

}  // namespace
