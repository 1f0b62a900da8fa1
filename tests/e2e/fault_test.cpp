// The promises under stress: no memory, a full disk, odd files where the
// input or the output should be, an output that appears mid-run, kills at
// any moment and runs racing for one name. Each ends with a clear message,
// exit status 255 (or 0 where nothing is wrong), no crash and no partial or
// overwritten file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
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

// The ways the program can write its output, as the test build's
// VASTRELMON_OUTPUT_METHOD names them; "" is the program's own choice.
const char* const kOutputWays[] = {"", "link", "rename", "in-place"};

ProcessOptions writing(const TempDir& dir, const std::string& way)
{
    ProcessOptions options = in(dir);
    if (!way.empty()) {
        options.environment.push_back({"VASTRELMON_OUTPUT_METHOD", way});
    }
    return options;
}

// No hidden temporary may survive a run the program survives.
bool has_temporary(const std::string& folder)
{
    for (const std::string& name : folder_entries(folder)) {
        if (name.rfind(".vastrelmon-", 0) == 0) {
            return true;
        }
    }
    return false;
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
    for (const char* way : kOutputWays) {
        for (const Case& c : {Case{"small.bmp", 20}, Case{"small.bmp", 0}, Case{"noise.bmp", 5000},
                              Case{"noise.bmp", 70000}}) {
            SCOPED_TRACE(std::string(c.input) + " with a file-size limit of " +
                         std::to_string(c.limit) + ", way '" + way + "'");
            ProcessOptions options = writing(dir, way);
            options.file_size_limit = c.limit;
            ProcessResult run = run_vastrelmon({"/v", c.input, "out.gif"}, options);
            EXPECT_EQ(run.exit_status, 255) << run.output;
            EXPECT_TRUE(mentions(run, "Error :\"out.gif\" Can't Write\n:3F000A:") ||
                        mentions(run, "Error :\"out.gif\" Can't Close\n:3F000A:"))
                << run.output;
            EXPECT_FALSE(mentions(run, "Success"));
            EXPECT_FALSE(file_exists(dir.file("out.gif")));
            EXPECT_FALSE(has_temporary(dir.path()));
        }
    }
}

// A big picture's data goes to the file while it is coded (by a second
// thread, or on one processor by the coding thread itself; without the
// progress line of /v through a ring of memory used again once written); a
// disk that fills up then, or afterwards, ends the run exactly as when
// everything is written after the coding.
TEST(Faults, FullDiskWhileABigPictureIsCodedIsTheSameFailure)
{
    TempDir dir;
#ifdef UNDER_ADDRESS_SANITIZER
    const int side = 1200;  // GIF of about 2 MB
#else
    const int side = 3000;  // GIF of about 12 MB
#endif
    ASSERT_TRUE(bmp_writer::write(dir.file("big.bmp"), noise_picture(side, side)));
    ProcessResult whole = run_vastrelmon({"big.bmp", "whole.gif"}, in(dir));
    ASSERT_EQ(whole.exit_status, 0) << whole.output;
    const long size = static_cast<long>(read_file(dir.file("whole.gif")).size());
    ASSERT_EQ(unlink(dir.file("whole.gif").c_str()), 0);
    for (const char* way : kOutputWays) {
        for (long limit : {size / 5, size * 4 / 5, size - 100}) {
            for (bool verbose : {true, false}) {
                std::string first_output;
                for (bool one_processor : {false, true}) {
                    SCOPED_TRACE(std::string("file-size limit ") + std::to_string(limit) + " of " +
                                 std::to_string(size) + ", way '" + way + "'" +
                                 (one_processor ? ", one processor" : "") + (verbose ? ", /v" : ""));
                    ProcessOptions options = writing(dir, way);
                    options.file_size_limit = limit;
                    options.one_processor = one_processor;
                    ProcessResult run = run_vastrelmon(verbose ? std::vector<std::string>{"/v", "big.bmp", "out.gif"}
                                                               : std::vector<std::string>{"big.bmp", "out.gif"},
                                                       options);
                    EXPECT_EQ(run.exit_status, 255) << run.output;
                    // The last bytes stay in the stream's buffer until the
                    // close; the code and line are shown with /v.
                    const std::string failure = limit < size - 100 ? "Error :\"out.gif\" Can't Write\n"
                                                                   : "Error :\"out.gif\" Can't Close\n";
                    const std::string detail = limit < size - 100 ? ":3F000A:00858:" : ":3F000A:00171:";
                    EXPECT_TRUE(mentions(run, verbose ? failure + detail : failure)) << run.output;
                    EXPECT_FALSE(file_exists(dir.file("out.gif")));
                    EXPECT_FALSE(has_temporary(dir.path()));
                    if (one_processor) {
                        EXPECT_EQ(run.output, first_output);
                    }
                    first_output = run.output;
                }
            }
        }
    }
}

TEST(Faults, OutputWhereNoFileCanBeMade)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), small_picture()));
    // A read-only folder: run as an unprivileged user, since root may write
    // anywhere.
    ASSERT_EQ(mkdir(dir.file("locked").c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.file("in.bmp").c_str(), 0644), 0);
    // A picture big enough to be written while it is coded opens its file
    // before the coding; a failure there shows, the same, after it.
    ASSERT_TRUE(bmp_writer::write(dir.file("big.bmp"), noise_picture(1100, 1000)));
    for (const char* way : kOutputWays) {
        SCOPED_TRACE(std::string("way '") + way + "'");
        for (const char* input : {"in.bmp", "big.bmp"}) {
            ProcessResult missing_folder =
                run_vastrelmon({"/v", input, "no/such/out.gif"}, writing(dir, way));
            EXPECT_EQ(missing_folder.exit_status, 255);
            EXPECT_TRUE(mentions(missing_folder, "100%/100%\nError :\"no/such/out.gif\" Can't Open\n"
                                                 ":3F0009:00161:file don't open.[no/such/out.gif]"))
                << missing_folder.output;
        }

        ProcessOptions nobody = writing(dir, way);
        nobody.as_nobody = true;
        ProcessResult locked = run_vastrelmon({"/v", "in.bmp", "locked/out.gif"}, nobody);
        EXPECT_EQ(locked.exit_status, 255) << locked.output;
        EXPECT_TRUE(mentions(locked, "Error :\"locked/out.gif\" Can't Open\n"
                                     ":3F0009:00161:file don't open.[locked/out.gif]"))
            << locked.output;
        EXPECT_EQ(folder_entries(dir.file("locked")), std::vector<std::string>{});
        EXPECT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"big.bmp", "in.bmp", "locked"}));
    }
}

// The name is given only to be taken away again if the folder holding it
// cannot be synced: a power loss could lose it after "Success.".
TEST(Faults, FolderThatCannotBeSyncedKeepsNoName)
{
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), small_picture()));
    for (const char* way : kOutputWays) {
        SCOPED_TRACE(std::string("way '") + way + "'");
        ProcessOptions options = writing(dir, way);
        options.environment.push_back({"VASTRELMON_OUTPUT_SYNC", "fail-folder"});
        ProcessResult run = run_vastrelmon({"/v", "in.bmp", "out.gif"}, options);
        EXPECT_EQ(run.exit_status, 255) << run.output;
        EXPECT_TRUE(mentions(run, "Error :\"out.gif\" Can't Close\n"
                                  ":3F000A:00171:I/O write error.[Can't close]"))
            << run.output;
        EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"in.bmp"});
    }
    // A folder that may be written but not read cannot be opened to be
    // synced; that is no reason to refuse the output there.
    ASSERT_EQ(mkdir(dir.file("drop").c_str(), 0700), 0);
    ASSERT_EQ(chmod(dir.file("drop").c_str(), 0333), 0);  // past the umask
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.file("in.bmp").c_str(), 0644), 0);
    ProcessOptions nobody = in(dir);
    nobody.as_nobody = true;
    ProcessResult dropped = run_vastrelmon({"in.bmp", "drop/out.gif"}, nobody);
    EXPECT_TRUE(mentions(dropped, "Info  :Success.\n")) << dropped.output;
    EXPECT_TRUE(file_exists(dir.file("drop/out.gif")));
}

// The folder is synced after the name is given (and after the data's
// sync), not before: only then does the name survive a power loss.
TEST(Faults, FolderIsSyncedAfterTheNameIsGiven)
{
    if (access("/usr/bin/strace", X_OK) != 0) {
        GTEST_SKIP() << "no /usr/bin/strace";
    }
    TempDir dir;
    ASSERT_TRUE(bmp_writer::write(dir.file("in.bmp"), small_picture()));
    const std::regex change(R"((fdatasync|link|linkat|renameat2)\(|"out\.gif", O_WRONLY\|O_CREAT)");
    const std::regex folder_open(R"(openat\(AT_FDCWD, "\.", O_RDONLY\|[^)]*O_DIRECTORY[^)]*\) = (\d+))");
    const std::regex sync(R"(fsync\((\d+)\)\s+= 0)");
    for (const char* way : kOutputWays) {
        SCOPED_TRACE(std::string("way '") + way + "'");
        ProcessResult run = run_process(
            "/usr/bin/strace",
            {"-f", "-o", "trace.txt", "-e", "trace=linkat,link,renameat2,fsync,fdatasync,openat",
             VASTRELMON_BINARY, "in.bmp", "out.gif"},
            writing(dir, way));
        ASSERT_TRUE(mentions(run, "Info  :Success.\n")) << run.output;
        std::istringstream trace(read_file(dir.file("trace.txt")));
        int line_number = 0, last_change = -1, folder_synced = -1;
        std::string line, folder_fd;
        std::smatch found;
        while (std::getline(trace, line)) {
            ++line_number;
            if (std::regex_search(line, found, folder_open)) {
                folder_fd = found[1];
            } else if (std::regex_search(line, found, sync) && found[1] == folder_fd) {
                folder_synced = line_number;
            } else if (std::regex_search(line, change)) {
                last_change = line_number;
            }
        }
        EXPECT_GT(last_change, 0) << read_file(dir.file("trace.txt"));
        EXPECT_GT(folder_synced, last_change) << read_file(dir.file("trace.txt"));
        ASSERT_EQ(unlink(dir.file("out.gif").c_str()), 0);
    }
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

// A kill at any moment leaves the output name empty or holding the whole
// GIF, never a part, and (with the unnamed file) no temporary either.
TEST(Faults, KillAtAnyMomentLeavesNothingOrTheWholeFile)
{
    TempDir dir;
#ifdef UNDER_ADDRESS_SANITIZER
    const int width = 1600, height = 1200;  // the same share of a slower run
#else
    const int width = 4800, height = 3600;
#endif
    ASSERT_TRUE(bmp_writer::write(dir.file("big.bmp"), noise_picture(width, height)));
    auto started = std::chrono::steady_clock::now();
    ProcessResult whole_run = run_vastrelmon({"big.bmp", "whole.gif"}, in(dir));
    auto duration = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(whole_run.exit_status, 0) << whole_run.output;
    const std::string whole = read_file(dir.file("whole.gif"));
    const int kRuns = 50;
    for (int i = 0; i < kRuns; ++i) {
        SCOPED_TRACE("killed at " + std::to_string(i) + "/" + std::to_string(kRuns));
        RunningProcess process = start_vastrelmon({"big.bmp", "out.gif"}, in(dir));
        std::this_thread::sleep_for(duration * (2 * i + 1) / (2 * kRuns));
        kill(process.pid, SIGKILL);
        finish_process(process);
        if (file_exists(dir.file("out.gif"))) {
            ASSERT_TRUE(read_file(dir.file("out.gif")) == whole) << "a partial GIF was named";
            ASSERT_EQ(unlink(dir.file("out.gif").c_str()), 0);
        }
        ASSERT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"big.bmp", "whole.gif"}));
    }
}

// Pictures whose GIFs all differ, and each one's GIF as a lone run makes it.
std::vector<std::string> distinct_pictures(const TempDir& dir, int count)
{
    std::vector<std::string> gifs;
    for (int i = 0; i < count; ++i) {
        std::string name = "p" + std::to_string(i);
        EXPECT_TRUE(bmp_writer::write(dir.file(name + ".bmp"), noise_picture(500 + 10 * i, 400)));
        ProcessResult alone = run_vastrelmon({name + ".bmp", name + ".gif"}, in(dir));
        EXPECT_EQ(alone.exit_status, 0) << alone.output;
        gifs.push_back(read_file(dir.file(name + ".gif")));
        unlink(dir.file(name + ".gif").c_str());
    }
    return gifs;
}

TEST(Faults, RunsRacingForOneNameLeaveExactlyTheWinnersFile)
{
    TempDir dir;
    const int kRunners = 8;
    const std::vector<std::string> gifs = distinct_pictures(dir, kRunners);
    for (const char* way : kOutputWays) {
        SCOPED_TRACE(std::string("way '") + way + "'");
        std::vector<RunningProcess> runners;
        for (int i = 0; i < kRunners; ++i) {
            runners.push_back(
                start_vastrelmon({"p" + std::to_string(i) + ".bmp", "same.gif"}, writing(dir, way)));
        }
        int winner = -1;
        std::string outcomes;  // every run's, for a failure's message
        for (int i = 0; i < kRunners; ++i) {
            ProcessResult run = finish_process(runners[i]);
            outcomes += "run " + std::to_string(i) + ": status " + std::to_string(run.exit_status) +
                        ", signal " + std::to_string(run.signal) + "\n" + run.output + "\n";
            EXPECT_EQ(run.exit_status, 0) << run.output;
            if (mentions(run, "Info  :Success.\n")) {
                EXPECT_EQ(winner, -1) << "two runs succeeded";
                winner = i;
            } else {
                EXPECT_TRUE(mentions(run, "Error :\"same.gif\" Already Exists\n")) << run.output;
            }
        }
        ASSERT_NE(winner, -1) << "no run succeeded:\n" << outcomes;
        EXPECT_TRUE(read_file(dir.file("same.gif")) == gifs[winner]) << "not the winner's GIF";
        EXPECT_FALSE(has_temporary(dir.path()));
        ASSERT_EQ(unlink(dir.file("same.gif").c_str()), 0);
    }
}

TEST(Faults, ManyConversionsAtOnceIntoOneFolder)
{
    TempDir dir;
    const int kPictures = 8, kRuns = 32;
    const std::vector<std::string> gifs = distinct_pictures(dir, kPictures);
    std::vector<RunningProcess> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(start_vastrelmon(
            {"p" + std::to_string(i % kPictures) + ".bmp", "out" + std::to_string(i) + ".gif"},
            in(dir)));
    }
    for (int i = 0; i < kRuns; ++i) {
        ProcessResult run = finish_process(runs[i]);
        EXPECT_EQ(run.exit_status, 0) << run.output;
        EXPECT_TRUE(mentions(run, "Info  :Success.\n")) << run.output;
        EXPECT_TRUE(read_file(dir.file("out" + std::to_string(i) + ".gif")) == gifs[i % kPictures])
            << "run " << i;
    }
    EXPECT_FALSE(has_temporary(dir.path()));
}

}  // namespace
