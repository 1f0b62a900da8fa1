// The written stream byte for byte: block order, the graphic control block,
// data sub-blocks at the 255-byte edges, and the checks before writing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    ASSERT_EQ(gif.set_palette(std::vector<uint8_t>(kGifPaletteBytes).data()), 0);
    ASSERT_EQ(gif.set_graphics(std::vector<uint8_t>{5}.data()), 0);
    EXPECT_EQ(stream_of(&gif, dir).substr(13 + 768, 8),
              bytes({0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x05, 0x00}));
}

// Depth 1 coded without compression takes 3 bits a pixel, so some width
// gives every coded length; the lengths around the 255-byte edges.
TEST(StreamWriter, DataSubBlocksAtTheEdges)
{
    TempDir dir;
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
            EXPECT_EQ(image_data_of(stream_of(&gif, dir), 1), expected) << length << " bytes";
        }
        EXPECT_TRUE(found) << "no picture codes to " << length << " bytes";
    }
}

#ifndef _WIN32
// How the image data goes to the file.
enum class DataWrites { kPerSubBlock, kOneCall, kWhileCoding };

// Writes a coded picture's stream, after a comment of comment_length bytes,
// in a child whose files may not grow past limit bytes, and closes it; the
// error text, or "" when all went well.
std::string write_text_under_limit(const std::vector<uint8_t>& pixels, int width, int comment_length, long limit,
                                   DataWrites way, const TempDir& dir, CoderMode mode = PLAIN,
                                   size_t ring = GifSettings::kDefaultCodedRing)
{
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit cap = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &cap);
        GifSettings settings;
        settings.large_writes = way != DataWrites::kPerSubBlock;
        settings.coded_ring_bytes = ring;
        const std::string comment(static_cast<size_t>(comment_length), 'c');
        const std::string path = dir.file("limited.gif");
        const bool early = way == DataWrites::kWhileCoding;
        std::string text = "not coded";
        {
            // Gone, with its helper threads, before the child exits.
            clGIFFile gif;
            gif.use_helpers(settings);
            if (gif.set_comment(1, comment_length, comment.c_str()) == 0 &&
                code_picture(&gif, width, static_cast<int>(pixels.size()) / width, 8, pixels, mode, false, 8,
                             early ? path.c_str() : nullptr) == 0) {
                const bool written = (early || gif.open_file(path.c_str()) == 0) && gif.write_gif() == 0 &&
                                     gif.close_file() == 0;
                text = written ? "" : gif.error_text;
            }
        }
        std::remove(path.c_str());
        ssize_t sent = write(fds[1], text.data(), text.size());
        _exit(sent == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return text;
}

// The image data written in one call fails with the text a write per
// sub-block gives, wherever the file stops growing. Every comment length
// moves the data by a byte against the stream buffer's edges (4 KiB or
// 8 KiB), so every place in a sub-block meets an edge, and for some the
// data ends exactly at one.
TEST(StreamWriter, OneLargeWriteFailsAsSubBlockWritesWould)
{
    TempDir dir;
    // 8-bit pixels coded without compression take 9 bits each, and clear
    // codes come every 254 codes: the data ends 8040 to 8290 bytes into the
    // stream.
    const std::vector<uint8_t> pixels = noise(6400, 8, 5);
    for (int comment_length = 1; comment_length < 256; ++comment_length) {
        for (long limit : {3000L, 8191L}) {
            const std::string blocks =
                write_text_under_limit(pixels, 6400, comment_length, limit, DataWrites::kPerSubBlock, dir);
            EXPECT_EQ(write_text_under_limit(pixels, 6400, comment_length, limit, DataWrites::kOneCall, dir), blocks)
                << "comment " << comment_length << ", file limit " << limit;
        }
    }
    // Data of more than one of the pieces the one call is cut into (8 MiB),
    // stopped in the first piece, at its end and in the second.
    const std::vector<uint8_t> many = noise(size_t{8} << 20, 8, 6);
    for (long limit : {(8L << 20) - 5000, (8L << 20) + 700, (8L << 20) + 70000}) {
        const std::string blocks = write_text_under_limit(many, 4096, 3, limit, DataWrites::kPerSubBlock, dir);
        EXPECT_EQ(blocks.find(":3F000A:00858:"), 0u) << "file limit " << limit << ": " << blocks;
        EXPECT_EQ(write_text_under_limit(many, 4096, 3, limit, DataWrites::kOneCall, dir), blocks)
            << "file limit " << limit;
    }
}

// A big picture's data written while it is coded: the same file, and where
// the file stops growing (in the part written during the coding, or in the
// rest) the same failure as when all of it is written afterwards. The data
// (about 2.9 MB) goes through a ring of the usual size (1 MiB) and one of
// 64 KiB, round and round, its pieces written on a second thread.
TEST(StreamWriter, DataWrittenWhileCodingIsTheSameFileAndFailsTheSameWay)
{
    TempDir dir;
    const int width = 2048;
    const std::vector<uint8_t> pixels = noise(size_t{width} * 1024, 8, 7);
    const size_t kSmallRing = size_t{64} << 10;
    for (int comment_length : {1, 300}) {
        clGIFFile after;
        ASSERT_EQ(after.set_comment(1, comment_length, std::string(comment_length, 'c').c_str()), 0);
        ASSERT_EQ(code_picture(&after, width, 1024, 8, pixels, LZW), 0);
        const std::string expected = stream_of(&after, dir);

        for (size_t ring : {size_t{0}, kSmallRing, GifSettings::kDefaultCodedRing}) {
            const std::string path = dir.file("while.gif");
            clGIFFile gif;
            GifSettings settings;
            settings.coded_ring_bytes = ring;
            gif.use_helpers(settings);
            ASSERT_EQ(gif.set_comment(1, comment_length, std::string(comment_length, 'c').c_str()), 0);
            ASSERT_EQ(code_picture(&gif, width, 1024, 8, pixels, LZW, false, 8, path.c_str()), 0);
            // Never the last sub-block, which is final only at the end.
            EXPECT_LT(gif.written_while_coding(), gif.coded_size());
            ASSERT_EQ(gif.write_gif(), 0) << gif.error_text;
            ASSERT_EQ(gif.close_file(), 0);
            EXPECT_TRUE(read_file(path) == expected) << "comment " << comment_length << ", ring " << ring;
            std::remove(path.c_str());
        }
    }
    for (long limit : {5000L, 700000L, 2500000L, 2800000L}) {
        const std::string after =
            write_text_under_limit(pixels, width, 3, limit, DataWrites::kOneCall, dir, LZW);
        EXPECT_EQ(after.find(":3F000A:"), 0u) << "file limit " << limit << ": " << after;
        for (size_t ring : {size_t{0}, kSmallRing, GifSettings::kDefaultCodedRing}) {
            EXPECT_EQ(write_text_under_limit(pixels, width, 3, limit, DataWrites::kWhileCoding, dir, LZW, ring), after)
                << "file limit " << limit << ", ring " << ring;
        }
    }
    // A smaller picture (about 360 KB of data) is coded on one thread, its
    // data through a ring of 64 KiB that the coder empties itself.
    const std::vector<uint8_t> small(pixels.begin(), pixels.begin() + 512 * 512);
    for (long limit : {3000L, 100000L, 300000L, 360000L}) {
        const std::string after = write_text_under_limit(small, 512, 3, limit, DataWrites::kOneCall, dir, LZW);
        EXPECT_EQ(after.find(":3F000A:"), 0u) << "file limit " << limit << ": " << after;
        EXPECT_EQ(write_text_under_limit(small, 512, 3, limit, DataWrites::kWhileCoding, dir, LZW), after)
            << "small picture, file limit " << limit;
    }
}
#endif

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
    clGIFFile no_palette;
    ASSERT_EQ(no_palette.create(1, 1), 0);
    ASSERT_EQ(no_palette.set_color_depth(8), 0);
    ASSERT_EQ(no_palette.set_graphics(std::vector<uint8_t>{0}.data()), 0);
    std::string path = dir.file("m.gif");
    EXPECT_EQ(stream_of(&no_palette, dir, "m.gif"), "failed: :3F0004:00694:illegal setting.[PALETTE NOT SET]");
    no_palette.close_file();
    EXPECT_EQ(read_file(path), "") << "nothing written";
}

}  // namespace
