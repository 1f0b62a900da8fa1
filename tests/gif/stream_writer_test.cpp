// The written stream byte for byte: block order, the graphic control block,
// data sub-blocks at the 255-byte edges, and the checks before writing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gif/gif_test_util.h"

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// Everything after the image descriptor of a stream without comment.
std::string image_data_of(const std::string& stream, int depth)
{
    size_t table = 3u * (depth == 1 ? 4 : 1u << depth);
    return stream.substr(13 + table + 8 + 10);
}

TEST(StreamWriter, TwoByTwoPictureIsExactlyFiftyBytes)
{
    TempDir dir;
    clGIFFile gif;
    ASSERT_EQ(gif.create(2, 2), 0);
    ASSERT_EQ(gif.set_color_depth(1), 0);
    const uint8_t black_white[] = {0, 0, 0, 255, 255, 255};
    ASSERT_EQ(gif.set_palette(black_white), 0);
    gif.lzw_on();
    ASSERT_EQ(gif.set_graphics(std::vector<uint8_t>{0, 1, 1, 0}.data()), 0);
    EXPECT_EQ(stream_of(&gif, dir),
              bytes({0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0x91, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                     0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x03, 0x44, 0x02, 0x05,
                     0x00, 0x3B}));
}

TEST(StreamWriter, GraphicControlCarriesTheTransparentIndex)
{
    TempDir dir;
    clGIFFile gif;
    ASSERT_EQ(gif.create(1, 1), 0);
    ASSERT_EQ(gif.set_color_depth(8), 0);
    ASSERT_EQ(gif.set_transparency(5), 0);
    ASSERT_EQ(gif.set_palette(std::vector<uint8_t>(kGifColorTableBytes).data()), 0);
    ASSERT_EQ(gif.set_graphics(std::vector<uint8_t>{5}.data()), 0);
    EXPECT_EQ(stream_of(&gif, dir).substr(13 + 768, 8),
              bytes({0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x05, 0x00}));
}

TEST(StreamWriter, DataSubBlocksAtTheEdges)
{
    TempDir dir;
    for (size_t length : {0u, 1u, 254u, 255u, 256u, 510u, 511u}) {
        clGIFFile gif;
        ASSERT_EQ(code_picture(&gif, 300, 1, 8, std::vector<uint8_t>(300), LZW), 0);
        for (size_t i = 0; i < length; ++i) {
            gif.coded_buffer[i] = static_cast<uint8_t>(i % 251);
        }
        gif.coded_length = static_cast<int64_t>(length);
        std::string expected = bytes({8});
        for (size_t done = 0; done < length; done += 255) {
            size_t n = length - done < 255 ? length - done : 255;
            expected += static_cast<char>(n);
            expected.append(reinterpret_cast<const char*>(gif.coded_buffer) + done, n);
        }
        expected += bytes({0x00, 0x3B});
        EXPECT_EQ(image_data_of(stream_of(&gif, dir), 8), expected) << length << " bytes";
    }
}

TEST(StreamWriter, CommentGoesBeforeTheGraphicControl)
{
    TempDir dir;
    std::string text(300, 'c');
    text[299] = 'z';
    clGIFFile gif;
    ASSERT_EQ(gif.set_comment(1, 300, text.c_str()), 0);
    ASSERT_EQ(code_picture(&gif, 1, 1, 2, {3}, PLAIN), 0);
    std::string stream = stream_of(&gif, dir);
    std::string expected = bytes({0x21, 0xFE, 0xFF}) + text.substr(0, 255) + bytes({0x2D}) +
                           text.substr(255) + bytes({0x00, 0x21, 0xF9});
    EXPECT_EQ(stream.substr(13 + 12, expected.size()), expected);
    // A NUL ends the comment.
    clGIFFile cut;
    ASSERT_EQ(cut.set_comment(1, 5, std::string("ab\0cd", 5).c_str()), 0);
    ASSERT_EQ(code_picture(&cut, 1, 1, 2, {3}, PLAIN), 0);
    EXPECT_EQ(stream_of(&cut, dir).substr(13 + 12, 7), bytes({0x21, 0xFE, 2, 'a', 'b', 0, 0x21}));
}

TEST(StreamWriter, ChecksComeInOrderBeforeAnyByte)
{
    TempDir dir;
    clGIFFile gif;
    EXPECT_EQ(gif.write_gif(), 1);
    EXPECT_STREQ(gif.error_text, ":3F0009:00652:file don't open.");
    ASSERT_EQ(gif.create(1, 1), 0);
    ASSERT_EQ(gif.open_file(dir.file("a.gif").c_str()), 0);
    EXPECT_EQ(gif.write_gif(), 1);
    EXPECT_STREQ(gif.error_text, ":3F0003:00659:data area not created.");
    gif.close_file();
    struct Missing {
        uint32_t bit;
        const char* text;
    };
    const Missing missing[] = {
        {clGIFFile::SIZE_SET, ":3F0004:00666:illegal setting.[SIZE NOT SET]"},
        {clGIFFile::COLOR_DEPTH_SET, ":3F0004:00673:illegal setting.[COLOR-DEPTH NOT SET]"},
        {clGIFFile::AREA_ALLOCATED, ":3F0004:00680:illegal setting.[AREA NOT ALLOCATE]"},
        {clGIFFile::GRP_DATA_SET, ":3F0004:00687:illegal setting.[GRP-DATA NOT SET]"},
        {clGIFFile::PALETTE_SET, ":3F0004:00694:illegal setting.[PALETTE NOT SET]"},
    };
    for (const Missing& m : missing) {
        clGIFFile coded;
        ASSERT_EQ(code_picture(&coded, 1, 1, 8, {0}, LZW), 0);
        coded.state_flags &= ~m.bit;
        std::string path = dir.file("m.gif");
        EXPECT_EQ(stream_of(&coded, dir, "m.gif"), std::string("failed: ") + m.text);
        coded.close_file();
        EXPECT_EQ(read_file(path), "") << m.text << ": nothing written";
        std::remove(path.c_str());
    }
}

std::string text_at(const char* format, int line)
{
    char text[96];
    std::snprintf(text, sizeof text, format, line);
    return text;
}

TEST(StreamWriter, EachWriterReportsItsOwnFailure)
{
    TempDir dir;
    typedef int (clGIFFile::*Writer)();
    struct Case {
        Writer writer;
        int closed_line;
        int short_line;
    };
    const Case cases[] = {{&clGIFFile::write_header, 742, 751},
                          {&clGIFFile::write_color_table, 772, 781},
                          {&clGIFFile::write_graphic_control, 878, 886},
                          {&clGIFFile::write_image_descriptor, 795, 804},
                          {&clGIFFile::write_image_data, 824, 836},
                          {&clGIFFile::write_trailer, 1068, 1076}};
    std::string path = dir.file("ro.gif");
    write_file(path, "");
    for (const Case& c : cases) {
        clGIFFile gif;
        ASSERT_EQ(code_picture(&gif, 1, 1, 8, {0}, LZW), 0);
        EXPECT_EQ((gif.*c.writer)(), 1);
        EXPECT_EQ(gif.error_text, text_at(":3F0009:%05d:file don't open.", c.closed_line));
        // A stream opened for reading takes no bytes: the first write is short.
        gif.output_file = std::fopen(path.c_str(), "rb");
        EXPECT_EQ((gif.*c.writer)(), 1);
        EXPECT_EQ(gif.error_text,
                  text_at(":3F000A:%05d:I/O write error.[Can't write(0)]", c.short_line));
    }
    clGIFFile gif;
    EXPECT_EQ(gif.write_comment("x"), 1);
    EXPECT_STREQ(gif.error_text, ":3F0009:00905:file don't open.");
    gif.output_file = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(gif.write_comment("x"), 1);
    EXPECT_STREQ(gif.error_text, ":3F000A:00913:I/O write error.[Can't write(0)]");
}

#ifndef _WIN32  // memory streams are a POSIX facility
TEST(StreamWriter, ShortSubBlockWritesAreCaught)
{
    // Unbuffered memory streams with room for everything before the
    // sub-blocks: the first sub-block write comes back short.
    char area[64];
    clGIFFile gif;
    ASSERT_EQ(code_picture(&gif, 1, 1, 8, {0}, LZW), 0);
    gif.output_file = fmemopen(area, 1, "w");
    ASSERT_NE(gif.output_file, nullptr);
    setvbuf(gif.output_file, nullptr, _IONBF, 0);
    EXPECT_EQ(gif.write_image_data(), 1);
    EXPECT_EQ(std::string(gif.error_text).substr(0, 14), ":3F000A:00858:") << gif.error_text;
    clGIFFile comment;
    comment.output_file = fmemopen(area, 2, "w");
    ASSERT_NE(comment.output_file, nullptr);
    setvbuf(comment.output_file, nullptr, _IONBF, 0);
    EXPECT_EQ(comment.write_comment("hello"), 1);
    EXPECT_EQ(std::string(comment.error_text).substr(0, 14), ":3F000A:00935:")
        << comment.error_text;
}
#endif

}  // namespace
