// The stream byte for byte: the checks of the description, the blocks its
// fields fill, data sub-blocks at the 255-byte edges, and a sink that
// refuses bytes, told with the line of the block it refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gif/gif_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// The stream of a 1 x 1 picture of index 0 described as given.
std::string one_pixel_stream(GifPicture picture)
{
    const uint8_t pixel = 0;
    picture.pixels = &pixel;
    clGIFFile gif;
    MemorySink sink;
    if (gif.encode(picture, &sink) != 0) {
        return std::string("failed: ") + gif.error_text;
    }
    return std::string(reinterpret_cast<const char*>(sink.data()), sink.size());
}

TEST(StreamWriter, TwoByTwoPictureIsExactlyFiftyBytes)
{
    GifPicture picture = describe_picture(2, 2, 1, LZW);
    const uint8_t black_white[] = {0, 0, 0, 255, 255, 255};
    picture.palette = black_white;
    const Bytes pixels = {0, 1, 1, 0};
    picture.pixels = pixels.data();
    clGIFFile gif;
    MemorySink sink;
    ASSERT_EQ(gif.encode(picture, &sink), 0) << gif.error_text;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sink.data()), sink.size()),
              bytes({0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0x91, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                     0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x03, 0x44, 0x02, 0x05,
                     0x00, 0x3B}));
}

// Each field of the description where the file holds it, and each check
// with its exact text; nothing is written before the checks pass.
TEST(StreamWriter, DescriptionFillsTheBlocksAndIsCheckedFirst)
{
    GifPicture sized = describe_picture(0x0103, 0x0201, 8, LZW);
    const Bytes pixels(size_t{0x103} * 0x201);
    sized.pixels = pixels.data();
    clGIFFile gif;
    MemorySink sink;
    ASSERT_EQ(gif.encode(sized, &sink), 0);
    const std::string stream(reinterpret_cast<const char*>(sink.data()), sink.size());
    EXPECT_EQ(stream.substr(0, 13), bytes({'G', 'I', 'F', '8', '9', 'a', 0x03, 0x01, 0x01, 0x02, 0xF7, 0, 0}));
    EXPECT_EQ(stream.substr(13 + 768, 18),
              bytes({0x21, 0xF9, 0x04, 0, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0x03, 0x01, 0x01, 0x02, 0}));

    const uint8_t flags[] = {0x91, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7};
    const Bytes palette(kGifPaletteBytes, 0xEE);
    for (int depth = 1; depth <= 8; ++depth) {
        GifPicture picture = describe_picture(1, 1, depth, LZW);
        picture.palette = palette.data();
        const std::string got = one_pixel_stream(picture);
        ASSERT_GT(got.size(), 13u) << got;
        EXPECT_EQ(static_cast<uint8_t>(got[10]), flags[depth - 1]) << "depth " << depth;
        // Only 2^D entries are taken; depth 1's entries 2 and 3 stay black.
        const size_t taken = 3u << depth;
        EXPECT_EQ(got.substr(13, taken), std::string(taken, '\xEE')) << "depth " << depth;
        if (depth == 1) {
            EXPECT_EQ(got.substr(13 + taken, 6), std::string(6, '\0'));
        }
    }

    GifPicture marked = describe_picture(1, 1, 4, LZW);
    marked.transparent_index = 15;
    marked.interlace = true;
    marked.comment = "ab";
    const std::string with_all = one_pixel_stream(marked);
    EXPECT_EQ(with_all.substr(13 + 48, 6 + 8 + 10),
              bytes({0x21, 0xFE, 2, 'a', 'b', 0, 0x21, 0xF9, 0x04, 0x01, 0, 0, 15, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1,
                     0, 0x40}));

    struct Refusal {
        GifPicture picture;
        const char* text;
    };
    GifPicture wide = describe_picture(65536, 1, 8, LZW);
    GifPicture negative = describe_picture(-1, 5, 8, LZW);
    GifPicture deep = describe_picture(1, 1, 9, LZW);
    GifPicture flat = describe_picture(1, 1, 0, LZW);
    GifPicture beyond = describe_picture(1, 1, 4, LZW);
    beyond.transparent_index = 16;
    GifPicture below = describe_picture(1, 1, 4, LZW);
    below.transparent_index = -2;
    GifPicture no_palette = describe_picture(1, 1, 8, LZW);
    no_palette.palette = nullptr;
    GifPicture empty = describe_picture(0, 7, 8, LZW);
    for (const Refusal& refusal : {Refusal{wide, ":3F0006:00094:argument is out of range.[W:65536,H:1]"},
                                   Refusal{negative, ":3F0006:00094:argument is out of range.[W:-1,H:5]"},
                                   Refusal{deep, ":3F0006:00236:argument is out of range.[D]"},
                                   Refusal{flat, ":3F0006:00236:argument is out of range.[D]"},
                                   Refusal{beyond, ":3F0006:00294:argument is out of range.[T](16)"},
                                   Refusal{below, ":3F0006:00294:argument is out of range.[T](-2)"},
                                   Refusal{no_palette, ":3F0004:00694:illegal setting.[PALETTE NOT SET]"},
                                   Refusal{empty, ":3F0004:00470:illegal data.[G]"}}) {
        EXPECT_EQ(one_pixel_stream(refusal.picture), std::string("failed: ") + refusal.text);
    }
}

// Depth 1 coded without compression takes 3 bits a pixel, so some width
// gives every coded length; the lengths around the 255-byte edges. Data
// many times longer than the ring it passes through keeps the framing too.
TEST(StreamWriter, DataSubBlocksAtTheEdges)
{
    for (size_t length : {2u, 254u, 255u, 256u, 510u, 511u}) {
        bool found = false;
        for (int width = 1; width < 1500 && !found; ++width) {
            clGIFFile gif;
            ASSERT_EQ(code_picture(&gif, width, 1, 1, std::vector<uint8_t>(width), PLAIN), 0);
            const std::vector<uint8_t> data = coded_bytes(gif);
            if (data.size() != length) {
                continue;
            }
            found = true;
            std::string expected = bytes({2});
            const char* coded = reinterpret_cast<const char*>(data.data());
            for (size_t done = 0; done < length; done += 255) {
                size_t n = length - done < 255 ? length - done : 255;
                expected += static_cast<char>(n);
                expected.append(coded + done, n);
            }
            expected += bytes({0x00, 0x3B});
            EXPECT_TRUE(g_stream.substr(13 + 12 + 8 + 10) == expected) << length << " bytes";
        }
        EXPECT_TRUE(found) << "no picture codes to " << length << " bytes";
    }
    clGIFFile gif;
    ASSERT_EQ(code_picture(&gif, 1000, 1000, 1, std::vector<uint8_t>(1000000), PLAIN), 0);
    // A clear code before every two pixel codes, 3 bits each, and the end.
    EXPECT_EQ(coded_bytes(gif).size(), 562501u);
}

// Takes bytes until limit, then refuses, saying how many of the refused
// write's bytes it kept.
class LimitedSink : public ByteSink {
public:
    explicit LimitedSink(size_t limit) : limit_(limit) {}
    bool write(const void*, size_t size) override
    {
        const size_t room = limit_ - taken_;
        kept_ = size <= room ? size : room;
        taken_ += kept_;
        return kept_ == size;
    }
    size_t written_of_refused() const override { return kept_; }

private:
    size_t limit_;
    size_t taken_ = 0;
    size_t kept_ = 0;
};

// A refusal anywhere is the write error of the block refused, with the
// bytes of it the sink kept; the LZW and the uncompressed coder alike.
TEST(StreamWriter, RefusedBytesAreTheWriteErrorOfTheirBlock)
{
    const std::vector<uint8_t> pixels = noise(size_t{1} << 20, 8, 5);
    GifPicture picture = describe_picture(1024, 1024, 8, LZW);
    picture.pixels = pixels.data();
    picture.comment = "a comment";
    // The header, the table, the comment's introducer, sub-block and end.
    constexpr size_t kControlAt = 13 + 768 + 2 + 10 + 1;
    const struct {
        size_t limit;
        const char* text;
    } cases[] = {
        {5, ":3F000A:00751:I/O write error.[Can't write(5)]"},
        {13 + 100, ":3F000A:00781:I/O write error.[Can't write(100)]"},
        {13 + 768 + 1, ":3F000A:00913:I/O write error.[Can't write(1)]"},
        {13 + 768 + 2 + 3, ":3F000A:00935:I/O write error.[Can't write(3)]"},
        {kControlAt + 4, ":3F000A:00886:I/O write error.[Can't write(4)]"},
        {kControlAt + 8 + 9, ":3F000A:00804:I/O write error.[Can't write(9)]"},
        {kControlAt + 18, ":3F000A:00836:I/O write error.[Can't write(0)]"},
        {kControlAt + 19 + 300000, ":3F000A:00858:I/O write error.[Can't write("},
    };
    for (CoderMode mode : {LZW, PLAIN}) {
        picture.coder = mode == LZW ? GifCoder::kLzw : GifCoder::kPlain;
        MemorySink whole;
        clGIFFile gif;
        ASSERT_EQ(gif.encode(picture, &whole), 0);
        for (const auto& c : cases) {
            LimitedSink sink(c.limit);
            EXPECT_EQ(gif.encode(picture, &sink), 1);
            EXPECT_EQ(std::string(gif.error_text).rfind(c.text, 0), 0u) << gif.error_text;
        }
        // The data's last bytes, and the trailer.
        LimitedSink short_data(whole.size() - 2);
        EXPECT_EQ(gif.encode(picture, &short_data), 1);
        EXPECT_EQ(std::string(gif.error_text).rfind(":3F000A:00858:", 0), 0u) << gif.error_text;
        LimitedSink no_trailer(whole.size() - 1);
        EXPECT_EQ(gif.encode(picture, &no_trailer), 1);
        EXPECT_STREQ(gif.error_text, ":3F000A:01076:I/O write error.[Can't write(0)]");
    }
}

}  // namespace
