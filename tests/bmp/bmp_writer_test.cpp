// The writer every BMP test builds on, checked against bytes the format
// fixes, so a packing fault in it cannot hide a matching one in the reader.
#include <gtest/gtest.h>

#include <string>

#include "tools/bmp_writer.h"

namespace {

using bmp_writer::BmpRecipe;

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
        out += ' ';
    }
    return out;
}

TEST(BmpWriter, OneBitFileHasTheStandardLayout)
{
    BmpRecipe recipe;
    recipe.bit_count = 1;
    recipe.width = 10;
    recipe.height = 2;
    recipe.palette = {{0, 0, 0}, {255, 255, 255}};
    recipe.pixels = {1, 0, 1, 1, 0, 0, 0, 0, 1, 1,
                   0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    std::string file = bmp_writer::build(recipe);
    EXPECT_EQ(hex(file.substr(0, 30)),
              "42 4D 46 00 00 00 00 00 00 00 3E 00 00 00 28 00 00 00 0A 00 00 00 02 00 00 00 "
              "01 00 01 00 ");
    EXPECT_EQ(hex(file.substr(34, 4)), "08 00 00 00 ");  // image size: 2 rows of 4 bytes
    EXPECT_EQ(hex(file.substr(54)),
              "00 00 00 00 FF FF FF 00 00 40 00 00 B0 C0 00 00 ");  // table, bottom row first
}

TEST(BmpWriter, NibblesTrueColourAndCoreEntries)
{
    BmpRecipe four;
    four.bit_count = 4;
    four.width = 3;
    four.height = -1;
    four.pixels = {0x1, 0x2, 0xF};
    EXPECT_EQ(hex(bmp_writer::build(four).substr(54)), "12 F0 00 00 ");

    BmpRecipe color;
    color.width = 1;
    color.pixels = {0xFF8001};
    EXPECT_EQ(hex(bmp_writer::build(color).substr(54)), "01 80 FF 00 ");

    BmpRecipe core;
    core.header_size = bmp_writer::kCoreHeader;
    core.bit_count = 8;
    core.width = -2;
    core.palette = {{1, 2, 3}};
    core.raw_pixels = "";
    EXPECT_EQ(hex(bmp_writer::build(core)),
              "42 4D 1D 00 00 00 00 00 00 00 1D 00 00 00 0C 00 00 00 FE FF 01 00 01 00 08 00 "
              "03 02 01 ");
}

TEST(BmpWriter, TruncationAndOverridesReachTheHeader)
{
    BmpRecipe recipe;
    recipe.width = 4;
    recipe.truncate_to = 20;
    recipe.pixel_offset = 0xFFFFFFFF;
    recipe.header_size_field = 0x12345678;
    std::string file = bmp_writer::build(recipe);
    EXPECT_EQ(hex(file), "42 4D 14 00 00 00 00 00 00 00 FF FF FF FF 78 56 34 12 04 00 ");

    recipe.truncate_to.reset();
    recipe.file_size = 7;
    recipe.trailing = "xyz";
    file = bmp_writer::build(recipe);
    EXPECT_EQ(hex(file.substr(2, 4)), "07 00 00 00 ");
    EXPECT_EQ(file.size(), 54u + 12u + 3u);
    EXPECT_EQ(file.substr(file.size() - 3), "xyz");
}

}  // namespace
