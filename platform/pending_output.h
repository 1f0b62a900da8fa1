// An output file that gets its name only when it is complete: it is written without a name (or under a hidden
// temporary one), synced, and then given its final name in one step that refuses a name that exists. After
// any interruption the final name holds nothing or the whole file.
//
// On Linux the folder is synced once the name is given, so that the name too survives a power loss; if that
// fails, the name is taken away again.
//
// Ways to write it, each used only when the file system refuses the one before (a missing folder or a denied
// permission is a failure, not a refusal):
//   kUnnamed      Linux: open(folder, O_TMPFILE), named by linkat via /proc/self/fd; never leaves anything.
//   kHiddenLink   a hidden temporary ".vastrelmon-XXXXXXXX.tmp" in the same folder, named by link(), which
//                 refuses an existing name, and then unlinked.
//   kHiddenRename the same temporary, named by renameat2(RENAME_NOREPLACE); on Windows, the only way:
//                 MoveFileExW without MOVEFILE_REPLACE_EXISTING.
//   kInPlace      where neither exists: the final name is created exclusively, the temporary copied into it.
// All but kUnnamed create the temporary at open; which of them names it is found out at commit.
//
// Call sequence: open -> write to stream() -> commit, or destroy the object (after closing the stream) to
// abandon the output. The stream belongs to the caller until commit, which always closes it.
#ifndef VASTRELMON_PLATFORM_PENDING_OUTPUT_H
#define VASTRELMON_PLATFORM_PENDING_OUTPUT_H

#include <cstdio>

enum class OutputMethod { kUnnamed, kHiddenLink, kHiddenRename, kInPlace };

struct OutputOptions {
    // The first way tried, later ones being fallbacks: the program starts at kUnnamed, tests further down.
    OutputMethod first = OutputMethod::kUnnamed;
    // Sync the data before the file is named, and its folder after (Linux). Off only to measure their cost.
    bool sync = true;
    // The folder's sync fails as a failing disk's would; for the tests.
    bool fail_folder_sync = false;
};

// The pattern of the temporary names, for the user who cleans up after a
// kill: a dot, the program's name, eight letters or digits, ".tmp".
extern const char kPendingPrefix[];
extern const char kPendingSuffix[];

class PendingOutput {
public:
    PendingOutput() = default;
    // Removes what open created and commit did not name (the stream must be
    // closed by then, which Windows needs to delete a file).
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Prepares final_path in its folder and returns the stream to write, or null with errno set: EEXIST when
    // final_path names anything already (name_taken() then says so too), otherwise why the folder takes no
    // file. Once per object.
    std::FILE* open(const char* final_path, const OutputOptions& options = OutputOptions());

    // Flushes the stream, syncs it, gives it the final name and closes it. Returns 0 when final_path now
    // holds the whole file; 1 otherwise, and then nothing created here is left; name_taken() tells whether
    // that was because final_path came to exist meanwhile (else errno says why).
    int commit(std::FILE* stream);
    bool name_taken() const { return name_taken_; }
    // The way the output was written (after commit: how it was named).
    OutputMethod method() const { return method_; }

    static constexpr int kPathCapacity = 1024;

private:
#ifdef _WIN32
    using PathChar = wchar_t;
#else
    using PathChar = char;
#endif
    int name_from_temporary();
    int copy_into_place();
    int keep_name();
    int give_up(int error);
    void forget_names();

    OutputMethod method_ = OutputMethod::kUnnamed;
    bool sync_ = true;
    bool fail_folder_sync_ = false;
    bool name_taken_ = false;
    bool final_created_ = false;  // final_path_ is ours but not yet kept
    PathChar final_path_[kPathCapacity] = {};
    PathChar temp_path_[kPathCapacity] = {};  // empty when there is none
};

#endif
