#include <gtest/gtest.h>

#include <string>

#include "image/bitmap.h"

namespace {

std::string text_of(const clBitMap& image)
{
    return image.error_text;
}

bool all_zero(const clBitMap& image)
{
    for (int32_t i = 0; i < image.get_data_size(); ++i) {
        if (image.pixels()[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(BitMapCreate, RoundsTheBufferUpTo16BytesAndZeroFillsIt)
{
    struct Case {
        int depth, width, height;
        int32_t expected_size;
    };
    const Case cases[] = {{1, 1, 1, 16}, {24, 3, 5, 48}, {8, 16, 1, 16}, {8, 17, 1, 32},
                          {24, 6400, 4800, 92160000}};
    for (const Case& c : cases) {
        clBitMap image;
        ASSERT_EQ(image.set_color_depth(c.depth), 0);
        ASSERT_EQ(image.create(c.width, c.height), 0) << text_of(image);
        EXPECT_EQ(image.get_data_size(), c.expected_size) << c.width << "x" << c.height << " at " << c.depth;
        EXPECT_TRUE(all_zero(image)) << c.width << "x" << c.height << " at " << c.depth;
    }
}

TEST(BitMapCreate, RefusesSizesOutsideTheLimits)
{
    const int sizes[][2] = {{0, 480}, {6401, 1}, {1, 0}, {1, 4801}, {-1, 5}, {7000, 480}};
    for (const auto& size : sizes) {
        clBitMap image;
        image.set_color_depth(8);
        EXPECT_EQ(image.create(size[0], size[1]), 1);
        EXPECT_EQ(image.pixels(), nullptr);
        EXPECT_EQ(image.get_width(), -1);
        EXPECT_EQ(text_of(image), ":3A0006:00059:argument is out of range.[W:" + std::to_string(size[0]) +
                                      ",H:" + std::to_string(size[1]) + "]");
    }
}

TEST(BitMapCreate, NeedsADepthAndOnlyOneBuffer)
{
    clBitMap image;
    EXPECT_EQ(image.create(10, 10), 1);
    EXPECT_EQ(text_of(image), ":3A0006:00065:yet set variable.[color:-1]");
    image.set_color_depth(4);
    ASSERT_EQ(image.create(10, 10), 0);
    uint8_t* first = image.pixels();
    EXPECT_EQ(image.create(20, 20), 1);
    EXPECT_EQ(text_of(image), ":3A0001:00052:data area already created.");
    EXPECT_EQ(image.error_code, 0x3A0001u);
    EXPECT_EQ(image.pixels(), first);
    EXPECT_EQ(image.get_width(), 10);
    EXPECT_EQ(image.get_data_size(), 112);
}

TEST(BitMapDepth, AcceptsOnlyBmpDepthsAndOnlyOnce)
{
    clBitMap image;
    EXPECT_EQ(image.set_color_depth(16), 1);
    EXPECT_EQ(text_of(image), ":3A0006:00117:argument is out of range.[C:16]");
    EXPECT_EQ(image.set_color_depth(32), 1);
    EXPECT_EQ(image.get_color_depth(), -1);
    EXPECT_EQ(image.set_color_depth(4), 0);
    EXPECT_EQ(image.set_color_depth(8), 1);
    EXPECT_EQ(text_of(image), ":3A0006:00108:yet set variable.[C:4]");
    EXPECT_EQ(image.get_color_depth(), 4);
}

TEST(BitMapTransparency, ChecksDepthThenIndex)
{
    clBitMap unset;
    EXPECT_EQ(unset.set_transparent_index(3), 1);
    EXPECT_EQ(text_of(unset), ":3A0006:00149:still set variable.[D:-1]");

    clBitMap true_color;
    true_color.set_color_depth(24);
    EXPECT_EQ(true_color.set_transparent_index(3), 1);
    EXPECT_EQ(text_of(true_color), ":3A0006:00155:variable is out of range.[D:24]");
    EXPECT_EQ(true_color.get_transparent_index(), -1);

    clBitMap indexed;
    indexed.set_color_depth(8);
    EXPECT_EQ(indexed.set_transparent_index(256), 1);
    EXPECT_EQ(text_of(indexed), ":3A0006:00161:argument is out of range.[TC:256]");
    EXPECT_EQ(indexed.set_transparent_index(-1), 1);
    EXPECT_EQ(text_of(indexed), ":3A0006:00161:argument is out of range.[TC:-1]");
    for (int depth : {1, 4, 8}) {
        clBitMap image;
        image.set_color_depth(depth);
        EXPECT_EQ(image.set_transparent_index(0), 0) << "depth " << depth;
        EXPECT_EQ(image.set_transparent_index(255), 0) << "depth " << depth;
        EXPECT_EQ(image.get_transparent_index(), 255);
    }
    // Not compared with the entries in use: 200 is fine on a 1-bit image.
    clBitMap one_bit;
    one_bit.set_color_depth(1);
    EXPECT_EQ(one_bit.set_transparent_index(200), 0);
}

TEST(BitMapRelease, KeepsTheErrorRecordAndAllowsReuse)
{
    clBitMap image;
    image.set_color_depth(8);
    ASSERT_EQ(image.create(4, 4), 0);
    image.set_transparent_index(5);
    image.set_color_depth(1);  // leaves a record behind
    image.release();
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.get_width(), -1);
    EXPECT_EQ(image.get_height(), -1);
    EXPECT_EQ(image.get_color_depth(), -1);
    EXPECT_EQ(image.get_transparent_index(), -1);
    EXPECT_EQ(image.get_data_size(), -1);
    EXPECT_EQ(text_of(image), ":3A0006:00108:yet set variable.[C:8]");

    ASSERT_EQ(image.set_color_depth(24), 0);
    ASSERT_EQ(image.create(3, 5), 0);
    EXPECT_EQ(image.get_data_size(), 48);
    EXPECT_TRUE(all_zero(image));
    // Success leaves the old record alone.
    EXPECT_EQ(text_of(image), ":3A0006:00108:yet set variable.[C:8]");
}

}  // namespace
