// Runs the built program in a child process, the way a user would, and
// collects what it printed and how it ended.
#ifndef VASTRELMON_TESTS_SUPPORT_RUN_PROCESS_H
#define VASTRELMON_TESTS_SUPPORT_RUN_PROCESS_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

struct ProcessResult {
    int exit_status = -1;  // 0..255, or -1 when killed by a signal
    int signal = 0;        // the signal that ended it, if any
    std::string output;    // everything written to standard output
};

struct ProcessOptions {
    std::string working_dir;  // empty: the test's own
    // Environment: the locale variables (LC_ALL, LC_CTYPE, LC_MESSAGES, LANG)
    // are cleared unless given here.
    std::vector<std::pair<std::string, std::string>> environment;
    long address_space_limit = 0;  // RLIMIT_AS in bytes, 0 = unchanged
    long file_size_limit = -1;     // RLIMIT_FSIZE in bytes, -1 = unchanged
    int timeout_seconds = 60;      // killed after this
    bool as_nobody = false;        // when run by root: drop to user 65534 first
    bool one_processor = false;    // may run on one processor only
    // Called once, while the program runs, when it has printed this text.
    std::string when_printed;
    std::function<void()> on_printed;
};

// A started program: its process id and the read end of its output.
struct RunningProcess {
    int pid;
    int output_fd;
};

// Starts program; finish_process then collects its output and waits for it
// (killing it after options.timeout_seconds). Between the two the caller may
// start others or signal it. Programs that print more than a pipe holds
// must be finished in turn, not all at the end.
RunningProcess start_process(const std::string& program, const std::vector<std::string>& args,
                             const ProcessOptions& options = ProcessOptions());
ProcessResult finish_process(const RunningProcess& process,
                             const ProcessOptions& options = ProcessOptions());

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options = ProcessOptions());

// Starts or runs the vastrelmon binary built with these tests.
RunningProcess start_vastrelmon(const std::vector<std::string>& args,
                                const ProcessOptions& options = ProcessOptions());
ProcessResult run_vastrelmon(const std::vector<std::string>& args,
                             const ProcessOptions& options = ProcessOptions());

#endif
