// The promises under stress: no memory, a full disk, odd files where the
// input or the output should be, and an output that appears mid-run. Each
// ends with a clear message, exit status 255 (or 0 where nothing is wrong),
// no crash and no partial or overwritten file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tools/bmp_writer.h"
#include "tests/support/run_process.h"

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

ProcessOptions in(const TempDir& dir)
{
    ProcessOptions options;
    options.working_dir = dir.path();
    return options;
}

bool mentions(const ProcessResult& run, const std::string& text)
{
    return run.output.find(text) != std::string::npos;
}

// An 8-bit picture whose indices follow a noise sequence: large, and slow
// enough to code that there is time to act while it runs.
bmp_writer::BmpRecipe noise_picture(int width, int height)
{
    bmp_writer::BmpRecipe recipe;
    recipe.bit_count = 8;
    recipe.width = width;
    recipe.height = height;
    for (int i = 0; i < 256; ++i) {
        recipe.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                static_cast<uint8_t>(i / 2)});
    }
    std::string rows(bmp_writer::stride(width, 8) * height, '\0');
    uint32_t state = 2463534242u;
    for (char& byte : rows) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    recipe.raw_pixels = rows;
    return recipe;
}

bmp_writer::BmpRecipe small_picture()
{
    bmp_writer::BmpRecipe recipe;
    recipe.bit_count = 8;
    recipe.width = 16;
    recipe.height = 8;
    recipe.palette = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    recipe.palette.resize(256);
    for (int i = 0; i < 16 * 8; ++i) {
        recipe.pixels.push_back(static_cast<uint32_t>(i % 3));
    }
    return recipe;
}

TEST(Faults, OutOfMemoryIsAMessageNotACrash)
{
#ifdef UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limits leave";
#endif
    TempDir dir;
    bmp_writer::BmpRecipe recipe;
    recipe.width = 6400;
    recipe.height = 4800;
    recipe.bit_count = 24;
    recipe.raw_pixels = std::string(static_cast<size_t>(6400) * 3 * 4800, '\x7f');
    ASSERT_TRUE(bmp_writer::write(dir.file("big.bmp"), recipe));
    // From too little for the picture itself to too little for the coder.
    for (long megabytes : {40, 120, 160, 200, 240}) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB of address space");
        ProcessOptions options = in(dir);
        options.address_space_limit = megabytes << 20;
        ProcessResult run = run_vastrelmon({"big.bmp"}, options);
        EXPECT_EQ(run.signal, 0) << run.output;
        if (run.exit_status == 0) {
            EXPECT_TRUE(mentions(run, "Info  :Success.\n"));  // enough after all
            ASSERT_EQ(unlink(dir.file("big.gif").c_str()), 0);
            continue;
        }
        EXPECT_EQ(run.exit_status, 255) << run.output;
        EXPECT_TRUE(mentions(run, "Error :Fail To Allocate Memory(") ||
                    mentions(run, "Error :Fail To Regist Image Data\n"))
            << run.output;
        EXPECT_FALSE(file_exists(dir.file("big.gif")));
    }
}

TEST(Faults, FullDiskWhileWritingOrClosingLeavesNoFile)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("small.bmp"), small_picture()));
    ASSERT_TRUE(bmp_writer::write(dir.file("noise.bmp"), noise_picture(300, 200)));
    struct Case {
        const char* input;
        long limit;
    };
    // The small GIF fits the stream's buffer, so the failure shows on close;
    // the large one fails while being written.
    for (const Case& c : {Case{"small.bmp", 20}, Case{"small.bmp", 0}, Case{"noise.bmp", 5000},
                          Case{"noise.bmp", 70000}}) {
        SCOPED_TRACE(std::string(c.input) + " with a file-size limit of " + std::to_string(c.limit));
        ProcessOptions options = in(dir);
        options.file_size_limit = c.limit;
        ProcessResult run = run_vastrelmon({"/v", c.input, "out.gif"}, options);
        EXPECT_EQ(run.exit_status, 255) << run.output;
        EXPECT_TRUE(mentions(run, "Error :\"out.gif\" Can't Write\n:3F000A:") ||
                    mentions(run, "Error :\"out.gif\" Can't Close\n:3F000A:"))
            << run.output;
        EXPECT_FALSE(mentions(run, "Success"));
        EXPECT_FALSE(file_exists(dir.file("out.gif")));
    }
}

TEST(Faults, OutputWhereNoFileCanBeMade)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), small_picture()));
    ProcessResult missing_folder = run_vastrelmon({"/v", "in.bmp", "no/such/out.gif"}, in(dir));
    EXPECT_EQ(missing_folder.exit_status, 255);
    EXPECT_TRUE(mentions(missing_folder, "Error :\"no/such/out.gif\" Can't Open\n"
                                         ":3F0009:00161:file don't open.[no/such/out.gif]"))
        << missing_folder.output;

    // A read-only folder: run as an unprivileged user, since root may write
    // anywhere.
    ASSERT_EQ(mkdir(dir.file("locked").c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.file("in.bmp").c_str(), 0644), 0);
    ProcessOptions nobody = in(dir);
    nobody.as_nobody = true;
    ProcessResult locked = run_vastrelmon({"in.bmp", "locked/out.gif"}, nobody);
    EXPECT_EQ(locked.exit_status, 255) << locked.output;
    EXPECT_TRUE(mentions(locked, "Error :\"locked/out.gif\" Can't Open\n")) << locked.output;
    EXPECT_FALSE(file_exists(dir.file("locked/out.gif")));
}

TEST(Faults, ExistingFolderOrFifoAsOutputIsAnExistingName)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), small_picture()));
    ASSERT_EQ(mkdir(dir.file("folder.gif").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.gif").c_str(), 0644), 0);
    for (const char* output : {"folder.gif", "fifo.gif"}) {
        ProcessOptions options = in(dir);
        options.timeout_seconds = 10;
        ProcessResult run = run_vastrelmon({"in.bmp", output}, options);
        EXPECT_EQ(run.signal, 0) << output << " blocked the run";
        EXPECT_EQ(run.exit_status, 0) << output;
        EXPECT_TRUE(mentions(run, std::string("Error :\"") + output + "\" Already Exists\n"))
            << run.output;
    }
}

TEST(Faults, InputThatIsNotARegularFileIsRefusedWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("folder.bmp").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.bmp").c_str(), 0644), 0);
    for (const char* input : {"folder.bmp", "fifo.bmp", "missing.bmp"}) {
        ProcessOptions options = in(dir);
        options.timeout_seconds = 10;
        ProcessResult run = run_vastrelmon({input, "out.gif"}, options);
        EXPECT_EQ(run.signal, 0) << input << " blocked the run";
        EXPECT_EQ(run.exit_status, 255) << input;
        EXPECT_TRUE(mentions(run, std::string("Error :\"") + input + "\" Can't Open\n"))
            << run.output;
        EXPECT_FALSE(file_exists(dir.file("out.gif")));
    }
    write_file(dir.file("empty.bmp"), "");
    ProcessResult empty = run_vastrelmon({"/v", "empty.bmp", "out.gif"}, in(dir));
    EXPECT_EQ(empty.exit_status, 255);
    EXPECT_TRUE(mentions(empty, "Error :Fail To Read BMP File(340003)\n:340003:00108:"))
        << empty.output;
    EXPECT_FALSE(file_exists(dir.file("out.gif")));
}

TEST(Faults, OutputAppearingMidRunIsLeftUntouched)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), noise_picture(2000, 1500)));
    const std::string output = dir.file("in.gif");
    ProcessOptions options = in(dir);
    // The program checked the name before it printed its size; the file
    // appears while the picture is loaded and coded.
    options.when_printed = "Info  :BMP Height=";
    options.on_printed = [&output] { write_file(output, "someone else's"); };
    ProcessResult run = run_vastrelmon({"/v", "in.bmp"}, options);
    EXPECT_EQ(read_file(output), "someone else's");
    EXPECT_FALSE(mentions(run, "Success")) << run.output;
    EXPECT_TRUE(mentions(run, "Error :\"in.gif\" Already Exists\n") ||
                mentions(run, "Error :\"in.gif\" Can't Open\n"))
        << run.output;
}

}  // namespace
