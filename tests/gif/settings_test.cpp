// The encoder's settings: the block bytes they fill in and the faults their
// checks catch, each with its exact text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gif/gif_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(Settings, CreateChecksTheSizeOnceAndFillsTheBlocks)
{
    clGIFFile gif;
    EXPECT_EQ(gif.create(-1, 5), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00094:argument is out of range.[W:-1,H:5]");
    EXPECT_EQ(gif.create(65536, 1), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00094:argument is out of range.[W:65536,H:1]");
    ASSERT_EQ(gif.create(0x1234, 0x0201), 0);
    EXPECT_EQ(Bytes(gif.header_block, gif.header_block + 13),
              (Bytes{'G', 'I', 'F', '8', '9', 'a', 0x34, 0x12, 0x01, 0x02, 0, 0, 0}));
    EXPECT_EQ(Bytes(gif.image_descriptor, gif.image_descriptor + 10),
              (Bytes{0x2C, 0, 0, 0, 0, 0x34, 0x12, 0x01, 0x02, 0}));
    EXPECT_EQ(gif.create(0x1234, 0x0201), 1);
    EXPECT_STREQ(gif.error_text, ":3F0001:00086:data area already created.");
    clGIFFile edges;
    EXPECT_EQ(edges.create(0, 0), 0);
    clGIFFile wide;
    EXPECT_EQ(wide.create(65535, 1), 0);
}

TEST(Settings, DepthDecidesTheScreenFlags)
{
    const uint8_t before[] = {0x11, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    for (int depth = 1; depth <= 8; ++depth) {
        clGIFFile gif;
        ASSERT_EQ(gif.set_color_depth(depth), 0);
        EXPECT_EQ(gif.header_block[10], before[depth - 1]) << "depth " << depth;
        Bytes palette(kGifColorTableBytes, 0xEE);
        ASSERT_EQ(gif.set_palette(palette.data()), 0);
        EXPECT_EQ(gif.header_block[10], before[depth - 1] | 0x80) << "depth " << depth;
        // Only 2^D entries are taken; depth 1's entries 2 and 3 stay black.
        size_t taken = 3u << depth;
        EXPECT_EQ(gif.global_color_table[taken - 1], 0xEE) << "depth " << depth;
        if (taken < kGifColorTableBytes) {
            EXPECT_EQ(gif.global_color_table[taken], 0) << "depth " << depth;
        }
    }
    clGIFFile gif;
    for (int bad : {0, 9}) {
        EXPECT_EQ(gif.set_color_depth(bad), 1);
        EXPECT_STREQ(gif.error_text, ":3F0006:00236:argument is out of range.[D]");
    }
    EXPECT_EQ(gif.set_palette(Bytes(kGifColorTableBytes).data()), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00514:variable is not set.[P<D]");
    ASSERT_EQ(gif.set_color_depth(4), 0);
    EXPECT_EQ(gif.set_color_depth(4), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00229:variable is already set.[D]");
    ASSERT_EQ(gif.set_palette(Bytes(kGifColorTableBytes).data()), 0);
    EXPECT_EQ(gif.set_palette(Bytes(kGifColorTableBytes).data()), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00507:variable is already set.[P]");
}

TEST(Settings, TransparencyIndexMustAddressTheTable)
{
    clGIFFile gif;
    EXPECT_EQ(gif.set_transparency(0), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00286:variable is not set.[T<D]");
    ASSERT_EQ(gif.set_color_depth(4), 0);
    for (int bad : {16, -1}) {
        EXPECT_EQ(gif.set_transparency(bad), 1);
        EXPECT_EQ(std::string(gif.error_text),
                  ":3F0006:00294:argument is out of range.[T](" + std::to_string(bad) + ")");
    }
    EXPECT_EQ(Bytes(gif.graphic_control_block, gif.graphic_control_block + 8),
              (Bytes{0x21, 0xF9, 0x04, 0, 0, 0, 0, 0}));
    ASSERT_EQ(gif.set_transparency(15), 0);
    EXPECT_EQ(Bytes(gif.graphic_control_block, gif.graphic_control_block + 8),
              (Bytes{0x21, 0xF9, 0x04, 0x01, 0, 0, 15, 0}));
    EXPECT_EQ(gif.set_transparency(15), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00279:variable is already set.[T]");
    clGIFFile one_bit;
    ASSERT_EQ(one_bit.set_color_depth(1), 0);
    EXPECT_EQ(one_bit.set_transparency(2), 1);
    EXPECT_EQ(one_bit.set_transparency(1), 0);
}

TEST(Settings, InterlaceOnlyBeforeThePixels)
{
    clGIFFile gif;
    ASSERT_EQ(gif.set_interlace(), 0);
    ASSERT_EQ(gif.set_interlace(), 0);
    EXPECT_EQ(gif.image_descriptor[9], 0x40);
    clGIFFile late;
    ASSERT_EQ(code_picture(&late, 2, 2, 1, {0, 1, 1, 0}, LZW), 0);
    EXPECT_EQ(late.set_interlace(), 1);
    EXPECT_STREQ(late.error_text, ":3F0004:00569:graphics data already set.[I]");
    EXPECT_EQ(late.image_descriptor[9], 0);
}

TEST(Settings, CommentIsStoredReplacedAndRemoved)
{
    clGIFFile gif;
    EXPECT_EQ(gif.state_flags & clGIFFile::LZW_MODE, 0u);
    for (auto [mode, length] : {std::pair{0, 0}, {2, 5}, {1, 0}}) {
        EXPECT_EQ(gif.set_comment(mode, length, "hello"), 1) << mode << "/" << length;
        EXPECT_STREQ(gif.error_text, ":3F0006:00607:syntax error(function argument).[Com]");
    }
    ASSERT_EQ(gif.set_comment(1, 5, "hello, world"), 0);
    EXPECT_STREQ(gif.comment_text, "hello");
    EXPECT_TRUE(gif.state_flags & clGIFFile::COMMENT_SET);
    ASSERT_EQ(gif.set_comment(0, 1, "x"), 0);
    EXPECT_EQ(gif.comment_text, nullptr);
    EXPECT_FALSE(gif.state_flags & clGIFFile::COMMENT_SET);
    ASSERT_EQ(gif.set_comment(1, 3, "abc"), 0);
    gif.release();  // the comment outlives release
    EXPECT_STREQ(gif.comment_text, "abc");
    EXPECT_EQ(gif.state_flags, 0u);
}

TEST(Settings, OutputFileIsCreatedNeverReused)
{
    TempDir dir;
    clGIFFile gif;
    EXPECT_EQ(gif.close_file(), 0) << "nothing open: nothing to do";
    std::string path = dir.file("a.gif");
    ASSERT_EQ(gif.open_file(path.c_str()), 0);
    EXPECT_EQ(gif.open_file(path.c_str()), 1);
    EXPECT_EQ(std::string(gif.error_text), ":3F0008:00152:file already opened.[" + path + "]");
    EXPECT_EQ(gif.close_file(), 0);
    write_file(path, "precious");
    EXPECT_EQ(gif.open_file(path.c_str()), 1);
    EXPECT_EQ(std::string(gif.error_text), ":3F0009:00161:file don't open.[" + path + "]");
    EXPECT_EQ(read_file(path), "precious");
}

}  // namespace
