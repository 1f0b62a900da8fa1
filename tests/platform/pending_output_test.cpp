// The output that gets its name only when complete: every way of writing it,
// forced in turn, must give the same outcomes, since which one runs depends
// on the file system the user writes to.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/file_sink.h"
#include "platform/pending_output.h"
#include "tests/support/temp_dir.h"

namespace {

const OutputMethod kEveryWay[] = {OutputMethod::kUnnamed, OutputMethod::kHiddenLink,
                                  OutputMethod::kHiddenRename, OutputMethod::kInPlace};

std::string way_name(OutputMethod way)
{
    switch (way) {
    case OutputMethod::kUnnamed: return "unnamed";
    case OutputMethod::kHiddenLink: return "hidden, linked";
    case OutputMethod::kHiddenRename: return "hidden, renamed";
    case OutputMethod::kInPlace: return "copied in place";
    }
    return "?";
}

OutputOptions starting_at(OutputMethod way, bool sync = true)
{
    OutputOptions options;
    options.first = way;
    options.sync = sync;
    return options;
}

// Bytes a text-mode stream would change, and more than one stream buffer.
std::string content()
{
    std::string bytes("\n\r\n\x1a\x00z", 6);
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(static_cast<char>(i * 7));
    }
    return bytes;
}

bool put(std::FILE* stream, const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

TEST(PendingOutput, EveryWayNamesTheWholeFileAndLeavesNothingElse)
{
    for (OutputMethod way : kEveryWay) {
        for (bool sync : {true, false}) {
            SCOPED_TRACE(way_name(way) + (sync ? ", synced" : ", not synced"));
            TempDir dir;
            const std::string path = dir.file("out.gif");
            PendingOutput output;
            std::FILE* stream = output.open(path.c_str(), starting_at(way, sync));
            ASSERT_NE(stream, nullptr) << "errno " << errno;
            ASSERT_TRUE(put(stream, content()));
            EXPECT_FALSE(file_exists(path)) << "named before it was complete";
            ASSERT_EQ(output.commit(stream), 0) << "errno " << errno;
            EXPECT_FALSE(output.name_taken());
            EXPECT_EQ(read_file(path), content());
            EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"out.gif"});
#ifdef _WIN32
            EXPECT_EQ(output.method(), OutputMethod::kHiddenRename);
#else
            // The test folder's file system offers every way.
            EXPECT_EQ(output.method(), way);
            mode_t mask = umask(0);
            umask(mask);
            struct stat info;
            ASSERT_EQ(stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask) << "not what a plain create gives";
#endif
        }
    }
}

TEST(PendingOutput, ANameThatAppearsBeforeTheCommitStaysAndNothingIsLeft)
{
    for (OutputMethod way : kEveryWay) {
        SCOPED_TRACE(way_name(way));
        TempDir dir;
        const std::string path = dir.file("out.gif");
        PendingOutput output;
        std::FILE* stream = output.open(path.c_str(), starting_at(way));
        ASSERT_NE(stream, nullptr);
        ASSERT_TRUE(put(stream, content()));
        write_file(path, "someone else's");
        EXPECT_EQ(output.commit(stream), 1);
        EXPECT_TRUE(output.name_taken());
        EXPECT_EQ(read_file(path), "someone else's");
        EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"out.gif"});
    }
}

TEST(PendingOutput, ExistingNameOrMissingFolderIsRefusedAtOpen)
{
    for (OutputMethod way : kEveryWay) {
        SCOPED_TRACE(way_name(way));
        TempDir dir;
        write_file(dir.file("old.gif"), "precious");
        PendingOutput existing;
        errno = 0;
        EXPECT_EQ(existing.open(dir.file("old.gif").c_str(), starting_at(way)), nullptr);
        EXPECT_EQ(errno, EEXIST);
        EXPECT_EQ(read_file(dir.file("old.gif")), "precious");
#ifndef _WIN32
        // Even a link to nothing: an exclusive create refuses it too.
        ASSERT_EQ(symlink("nowhere", dir.file("dangling.gif").c_str()), 0);
        PendingOutput dangling;
        EXPECT_EQ(dangling.open(dir.file("dangling.gif").c_str(), starting_at(way)), nullptr);
        EXPECT_EQ(errno, EEXIST);
#endif
        // A missing folder is a failure, not a refusal: no fallback runs.
        PendingOutput missing;
        errno = 0;
        EXPECT_EQ(missing.open(dir.file("no/such/out.gif").c_str(), starting_at(way)), nullptr);
        EXPECT_EQ(errno, ENOENT);
        EXPECT_FALSE(missing.name_taken());
        std::vector<std::string> expected = {"old.gif"};
#ifndef _WIN32
        expected = {"dangling.gif", "old.gif"};
#endif
        EXPECT_EQ(folder_entries(dir.path()), expected);
    }
}

TEST(PendingOutput, AbandonedOutputLeavesNothing)
{
    for (OutputMethod way : kEveryWay) {
        SCOPED_TRACE(way_name(way));
        TempDir dir;
        {
            PendingOutput output;
            std::FILE* stream = output.open(dir.file("out.gif").c_str(), starting_at(way));
            ASSERT_NE(stream, nullptr);
            ASSERT_TRUE(put(stream, content()));
            std::fclose(stream);
        }
        EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{});
    }
}

#ifndef _WIN32
TEST(PendingOutput, FullDiskAtCommitLeavesNothing)
{
    for (OutputMethod way : kEveryWay) {
        SCOPED_TRACE(way_name(way));
        TempDir dir;
        const std::string path = dir.file("out.gif");
        pid_t child = fork();
        if (child == 0) {
            // The writes stay in the stream's buffer; the flush finds the
            // disk full.
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit cap = {100, 100};
            setrlimit(RLIMIT_FSIZE, &cap);
            PendingOutput output;
            std::FILE* stream = output.open(path.c_str(), starting_at(way));
            if (stream == nullptr || !put(stream, std::string(1000, 'x'))) {
                _exit(2);
            }
            bool failed = output.commit(stream) == 1 && !output.name_taken() && errno == EFBIG;
            _exit(failed ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{});
    }
}

// The file's sink keeps only a partial block back: writes of every size
// around its buffer's arrive whole and in order, and a refused write counts
// the bytes of it that reached the file, whichever way they went.
TEST(FileSink, BytesArriveInOrderAndARefusalCountsItsOwn)
{
    TempDir dir;
    const std::string path = dir.file("out.gif");
    std::string expected;
    {
        FileSink sink;
        ASSERT_TRUE(sink.open(path.c_str()));
        for (size_t size : {1u, 4095u, 4096u, 4097u, 3u, 12288u, 70000u, 0u, 5u}) {
            const std::string piece(size, static_cast<char>('a' + size % 26));
            ASSERT_TRUE(sink.write(piece.data(), piece.size()));
            expected += piece;
        }
        EXPECT_FALSE(file_exists(path)) << "named before the commit";
        ASSERT_EQ(sink.commit(), 0);
    }
    EXPECT_TRUE(read_file(path) == expected);

    const std::string limited = dir.file("limited.gif");
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit cap = {10000, 10000};
        setrlimit(RLIMIT_FSIZE, &cap);
        FileSink sink;
        const std::string bytes(20000, 'x');
        const bool counted = sink.open(limited.c_str()) && sink.write(bytes.data(), 3000) &&
                             !sink.write(bytes.data(), 20000) && sink.written_of_refused() == 7000 &&
                             !sink.write(bytes.data(), 1) && sink.written_of_refused() == 0 && sink.commit() == 1;
        _exit(counted ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_FALSE(file_exists(limited));
}
#endif

}  // namespace
