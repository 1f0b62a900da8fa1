// The encoder's settings: the block bytes they fill in and the faults their
// checks catch, each with its exact text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gif/gif_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The written stream as bytes, with whatever of size, depth, palette and
// pixels the test has not set made up: a 1 x 1 picture of depth 8 in a black
// palette.
Bytes stream_bytes(clGIFFile* gif, const TempDir& dir, bool has_size, bool has_depth, bool has_palette)
{
    if (!has_size) {
        EXPECT_EQ(gif->create(1, 1), 0);
    }
    if (!has_depth) {
        EXPECT_EQ(gif->set_color_depth(8), 0);
    }
    if (!has_palette) {
        EXPECT_EQ(gif->set_palette(Bytes(kGifPaletteBytes).data()), 0);
    }
    if (gif->set_graphics(Bytes(size_t{0x103} * 0x201).data()) != 0) {
        ADD_FAILURE() << gif->error_text;
    }
    const std::string stream = stream_of(gif, dir);
    return Bytes(stream.begin(), stream.end());
}

Bytes slice(const Bytes& bytes, size_t from, size_t count)
{
    return from + count <= bytes.size() ? Bytes(bytes.begin() + from, bytes.begin() + from + count) : Bytes();
}

TEST(Settings, CreateChecksTheSizeOnceAndFillsTheBlocks)
{
    TempDir dir;
    clGIFFile gif;
    EXPECT_EQ(gif.create(-1, 5), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00094:argument is out of range.[W:-1,H:5]");
    EXPECT_EQ(gif.create(65536, 1), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00094:argument is out of range.[W:65536,H:1]");
    ASSERT_EQ(gif.create(0x0103, 0x0201), 0);
    EXPECT_EQ(gif.create(0x0103, 0x0201), 1);
    EXPECT_STREQ(gif.error_text, ":3F0001:00086:data area already created.");
    const Bytes stream = stream_bytes(&gif, dir, true, false, false);
    EXPECT_EQ(slice(stream, 0, 13), (Bytes{'G', 'I', 'F', '8', '9', 'a', 0x03, 0x01, 0x01, 0x02, 0xF7, 0, 0}));
    EXPECT_EQ(slice(stream, 13 + 768 + 8, 10), (Bytes{0x2C, 0, 0, 0, 0, 0x03, 0x01, 0x01, 0x02, 0}));
    clGIFFile edges;
    EXPECT_EQ(edges.create(0, 0), 0);
    clGIFFile wide;
    EXPECT_EQ(wide.create(65535, 1), 0);
}

TEST(Settings, DepthDecidesTheScreenFlagsAndTheTable)
{
    TempDir dir;
    const uint8_t flags[] = {0x91, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7};
    for (int depth = 1; depth <= 8; ++depth) {
        clGIFFile gif;
        ASSERT_EQ(gif.set_color_depth(depth), 0);
        ASSERT_EQ(gif.set_palette(Bytes(kGifPaletteBytes, 0xEE).data()), 0);
        const Bytes stream = stream_bytes(&gif, dir, false, true, true);
        ASSERT_GT(stream.size(), 13u) << "depth " << depth;
        EXPECT_EQ(stream[10], flags[depth - 1]) << "depth " << depth;
        // Only 2^D entries are taken; depth 1's entries 2 and 3 stay black.
        const size_t taken = 3u << depth;
        EXPECT_EQ(slice(stream, 13, taken), Bytes(taken, 0xEE)) << "depth " << depth;
        if (depth == 1) {
            EXPECT_EQ(slice(stream, 13 + taken, 6), Bytes(6, 0));
        }
    }
    clGIFFile gif;
    for (int bad : {0, 9}) {
        EXPECT_EQ(gif.set_color_depth(bad), 1);
        EXPECT_STREQ(gif.error_text, ":3F0006:00236:argument is out of range.[D]");
    }
    EXPECT_EQ(gif.set_palette(Bytes(kGifPaletteBytes).data()), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00514:variable is not set.[P<D]");
    ASSERT_EQ(gif.set_color_depth(4), 0);
    EXPECT_EQ(gif.set_color_depth(4), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00229:variable is already set.[D]");
    ASSERT_EQ(gif.set_palette(Bytes(kGifPaletteBytes).data()), 0);
    EXPECT_EQ(gif.set_palette(Bytes(kGifPaletteBytes).data()), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00507:variable is already set.[P]");
}

TEST(Settings, TransparencyIndexMustAddressTheTable)
{
    TempDir dir;
    clGIFFile gif;
    EXPECT_EQ(gif.set_transparency(0), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00286:variable is not set.[T<D]");
    ASSERT_EQ(gif.set_color_depth(4), 0);
    for (int bad : {16, -1}) {
        EXPECT_EQ(gif.set_transparency(bad), 1);
        EXPECT_EQ(std::string(gif.error_text),
                  ":3F0006:00294:argument is out of range.[T](" + std::to_string(bad) + ")");
    }
    ASSERT_EQ(gif.set_transparency(15), 0);
    EXPECT_EQ(gif.set_transparency(15), 1);
    EXPECT_STREQ(gif.error_text, ":3F0006:00279:variable is already set.[T]");
    EXPECT_EQ(slice(stream_bytes(&gif, dir, false, true, false), 13 + 48, 8),
              (Bytes{0x21, 0xF9, 0x04, 0x01, 0, 0, 15, 0}));
    clGIFFile none;
    EXPECT_EQ(slice(stream_bytes(&none, dir, false, false, false), 13 + 768, 8),
              (Bytes{0x21, 0xF9, 0x04, 0, 0, 0, 0, 0}));
    clGIFFile one_bit;
    ASSERT_EQ(one_bit.set_color_depth(1), 0);
    EXPECT_EQ(one_bit.set_transparency(2), 1);
    EXPECT_EQ(one_bit.set_transparency(1), 0);
}

TEST(Settings, InterlaceOnlyBeforeThePixels)
{
    TempDir dir;
    clGIFFile gif;
    ASSERT_EQ(gif.set_interlace(), 0);
    ASSERT_EQ(gif.set_interlace(), 0);
    EXPECT_EQ(slice(stream_bytes(&gif, dir, false, false, false), 13 + 768 + 8 + 9, 1), Bytes{0x40});
    clGIFFile late;
    ASSERT_EQ(code_picture(&late, 2, 2, 1, {0, 1, 1, 0}, LZW), 0);
    EXPECT_EQ(late.set_interlace(), 1);
    EXPECT_STREQ(late.error_text, ":3F0004:00569:graphics data already set.[I]");
    EXPECT_EQ(stream_of(&late, dir).substr(13 + 12 + 8 + 9, 1), std::string(1, '\0'));
}

TEST(Settings, CommentIsStoredReplacedAndRemoved)
{
    TempDir dir;
    clGIFFile gif;
    for (auto [mode, length] : {std::pair{0, 0}, {2, 5}, {1, 0}}) {
        EXPECT_EQ(gif.set_comment(mode, length, "hello"), 1) << mode << "/" << length;
        EXPECT_STREQ(gif.error_text, ":3F0006:00607:syntax error(function argument).[Com]");
    }
    ASSERT_EQ(gif.set_comment(1, 5, "hello, world"), 0);
    ASSERT_EQ(gif.set_comment(1, 3, "abc"), 0);
    const Bytes stream = stream_bytes(&gif, dir, false, false, false);
    EXPECT_EQ(slice(stream, 13 + 768, 7), (Bytes{0x21, 0xFE, 3, 'a', 'b', 'c', 0}));
    clGIFFile removed;
    ASSERT_EQ(removed.set_comment(1, 5, "hello"), 0);
    ASSERT_EQ(removed.set_comment(0, 1, "x"), 0);
    EXPECT_EQ(slice(stream_bytes(&removed, dir, false, false, false), 13 + 768, 2), (Bytes{0x21, 0xF9}));
    // release forgets every setting, the comment's too.
    clGIFFile released;
    ASSERT_EQ(released.set_comment(1, 5, "hello"), 0);
    released.release();
    EXPECT_EQ(slice(stream_bytes(&released, dir, false, false, false), 13 + 768, 2), (Bytes{0x21, 0xF9}));
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
