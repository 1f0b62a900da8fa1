// The output stage as the program runs it: an image in, a GIF file out that
// giflib reads back, and on every failure its message and no file left.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/messages.h"
#include "lib/gif_output.h"
#include "console/options.h"
#include "app/write_gif_file.h"
#include "image/bitmap.h"
#include "tests/gif/gif_test_util.h"
#include "tests/support/gif_decode.h"

namespace {

// An image as the colour stage leaves it: one index byte per pixel, a
// palette, and the given depth. The pixels are noise of that depth whose
// first ones run through every index once, so compacting the palette keeps
// every index and leaves exactly that depth.
void make_image(clBitMap* image, int width, int height, int depth, unsigned seed)
{
    ASSERT_EQ(image->set_color_depth(8), 0);
    ASSERT_EQ(image->create(width, height), 0);
    std::vector<uint8_t> pixels = noise(static_cast<size_t>(width * height), depth, seed);
    const size_t entries = size_t{1} << depth;
    for (size_t i = 0; i < entries && i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i);
    }
    std::memcpy(image->pixels(), pixels.data(), pixels.size());
    for (int i = 0; i < kPaletteBytes; ++i) {
        image->palette()[i] = static_cast<uint8_t>(255 - i);
    }
    if (depth < 8) {
        ASSERT_EQ(image->compact_palette(), 0);
        ASSERT_EQ(image->get_color_depth(), depth);
    }
}

struct StageRun {
    int status;
    std::string shown;
};

StageRun run_stage(uint32_t flags, const std::string& output, const clBitMap& image, bool loud = false)
{
    testing::internal::CaptureStdout();
    int status = write_gif_file(flags, output.c_str(), &image, loud);
    std::string shown = testing::internal::GetCapturedStdout();
    return {status, shown};
}

TEST(WriteGifFile, WritesWhatGiflibReadsBack)
{
    TempDir dir;
    const uint32_t option_sets[] = {kDefaultOptionFlags, 0, FLAG_NO_LZW,
                                    FLAG_NO_LZW | FLAG_BIGGEST | FLAG_INTERLACE, FLAG_BIGGEST};
    int n = 0;
    for (int depth : {1, 3, 8}) {
        for (uint32_t flags : option_sets) {
            clBitMap image;
            make_image(&image, 37, 23, depth, static_cast<unsigned>(++n));
            std::string path = dir.file("out" + std::to_string(n) + ".gif");
            StageRun run = run_stage(flags, path, image);
            ASSERT_EQ(run.status, 0) << run.shown;
            EXPECT_EQ(run.shown, "");
            DecodedGif gif = decode_gif_file(path);
            ASSERT_TRUE(gif.ok) << gif.error;
            EXPECT_EQ(gif.width, 37);
            EXPECT_EQ(gif.height, 23);
            EXPECT_EQ(gif.interlaced, (flags & FLAG_INTERLACE) != 0);
            EXPECT_EQ(gif.comment, kGifComment);
            EXPECT_TRUE(gif.has_graphic_control);
            EXPECT_EQ(gif.transparent_index, -1);
            size_t entries = depth == 1 ? 4 : 1u << depth;
            ASSERT_EQ(gif.color_table.size(), 3 * entries);
            EXPECT_EQ(gif.color_table[3], 252) << "palette entry 1 starts 252";
            EXPECT_TRUE(std::equal(gif.pixels.begin(), gif.pixels.end(), image.pixels()))
                << "depth " << depth << " flags " << flags;
        }
    }
}

TEST(WriteGifFile, CommentIsOneSubBlock)
{
    TempDir dir;
    clBitMap image;
    make_image(&image, 4, 4, 2, 1);
    ASSERT_EQ(run_stage(0, dir.file("c.gif"), image).status, 0);
    std::string comment = std::string("\x21\xFE") + static_cast<char>(std::strlen(kGifComment)) +
                          kGifComment + std::string(1, '\0') + "\x21\xF9";
    EXPECT_EQ(read_file(dir.file("c.gif")).substr(13 + 12, comment.size()), comment);
}

TEST(WriteGifFile, TransparencyIsTheImagesOwn)
{
    TempDir dir;
    clBitMap image;
    make_image(&image, 5, 5, 4, 2);
    ASSERT_EQ(run_stage(FLAG_TRANSPARENCY, dir.file("none.gif"), image).status, 0);
    EXPECT_EQ(decode_gif_file(dir.file("none.gif")).transparent_index, -1)
        << "an image without a transparent index gets none";
    ASSERT_EQ(image.set_transparent_index(3), 0);
    ASSERT_EQ(run_stage(FLAG_TRANSPARENCY, dir.file("t.gif"), image).status, 0);
    EXPECT_EQ(decode_gif_file(dir.file("t.gif")).transparent_index, 3);
    ASSERT_EQ(run_stage(0, dir.file("off.gif"), image).status, 0);
    EXPECT_EQ(decode_gif_file(dir.file("off.gif")).transparent_index, -1);
    ASSERT_EQ(image.set_transparent_index(16), 0);
    StageRun refused = run_stage(FLAG_TRANSPARENCY, dir.file("bad.gif"), image);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.shown, "Error :Out Of Range[Transparency Color]\n");
    EXPECT_FALSE(file_exists(dir.file("bad.gif")));
}

TEST(WriteGifFile, ExistingOutputIsLeftAlone)
{
    TempDir dir;
    clBitMap image;
    make_image(&image, 1, 1, 8, 4);  // one match: the progress line shows 100 at once
    std::string path = dir.file("old.gif");
    write_file(path, "precious");
    StageRun run = run_stage(0, path, image, true);
    EXPECT_EQ(run.status, kGifOutputExisted);
    EXPECT_EQ(run.shown, "\rInfo  :Process 100%/100%\nError :\"" + path + "\" Already Exists\n");
    EXPECT_EQ(read_file(path), "precious");
    // Present but unreadable: never truncated either.
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(path.c_str(), 0), 0);
        StageRun locked = run_stage(FLAG_NO_LZW, path, image);
        EXPECT_EQ(locked.status, 1);
        EXPECT_EQ(locked.shown, "Error :\"" + path + "\" Can't Open\n");
        chmod(path.c_str(), 0600);
        EXPECT_EQ(read_file(path), "precious");
    }
}

TEST(WriteGifFile, MissingFolderCannotBeOpened)
{
    TempDir dir;
    clBitMap image;
    make_image(&image, 3, 3, 8, 5);
    std::string path = dir.file("no/such/out.gif");
    StageRun run = run_stage(FLAG_NO_LZW, path, image, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.shown, "Error :\"" + path + "\" Can't Open\n:3F0009:00161:file don't open.[" +
                             path + "]");
}

// Runs the stage in a child whose files may not grow past limit bytes, and
// returns what it printed and its status.
StageRun run_limited(long limit, const std::string& path, const clBitMap& image)
{
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit cap = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &cap);
        int status = write_gif_file(FLAG_NO_LZW, path.c_str(), &image, true);
        std::fflush(stdout);
        _exit(status);
    }
    close(fds[1]);
    StageRun run = {-1, ""};
    char buffer[4096];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) {
        run.shown.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(WriteGifFile, FailedWriteOrCloseLeavesNoFile)
{
    TempDir dir;
    // Bigger than the stream buffer: a block write itself fails.
    clBitMap big;
    make_image(&big, 200, 200, 8, 6);
    std::string path = dir.file("big.gif");
    StageRun write = run_limited(100, path, big);
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.shown.rfind("Error :\"" + path + "\" Can't Write\n:3F000A:", 0), 0u)
        << write.shown;
    EXPECT_FALSE(file_exists(path));
    // Small enough to stay buffered: only the close finds out.
    clBitMap small;
    make_image(&small, 2, 2, 1, 7);
    path = dir.file("small.gif");
    StageRun close = run_limited(20, path, small);
    EXPECT_EQ(close.status, 1);
    EXPECT_EQ(close.shown, "Error :\"" + path +
                               "\" Can't Close\n:3F000A:00171:I/O write error.[Can't close]");
    EXPECT_FALSE(file_exists(path));
}

}  // namespace
