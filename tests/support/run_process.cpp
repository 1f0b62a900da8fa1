#include "tests/support/run_process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <ctime>


RunningProcess start_process(const std::string& program, const std::vector<std::string>& args,
                             const ProcessOptions& options)
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        if (!options.working_dir.empty() && chdir(options.working_dir.c_str()) != 0) {
            _exit(127);
        }
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        unsetenv("LANG");
        unsetenv("LC_MESSAGES");
        for (const auto& variable : options.environment) {
            setenv(variable.first.c_str(), variable.second.c_str(), 1);
        }
        if (options.address_space_limit > 0) {
            struct rlimit limit = {static_cast<rlim_t>(options.address_space_limit),
                                   static_cast<rlim_t>(options.address_space_limit)};
            setrlimit(RLIMIT_AS, &limit);
        }
        if (options.file_size_limit >= 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {static_cast<rlim_t>(options.file_size_limit),
                                   static_cast<rlim_t>(options.file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.one_processor) {
            cpu_set_t allowed;
            if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
                int first = 0;
                while (!CPU_ISSET(first, &allowed)) {
                    ++first;
                }
                CPU_ZERO(&allowed);
                CPU_SET(first, &allowed);
                sched_setaffinity(0, sizeof allowed, &allowed);
            }
        }
        if (options.as_nobody && geteuid() == 0) {
            const uid_t kNobody = 65534;
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                _exit(126);
            }
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    fcntl(pipe_fds[0], F_SETFD, FD_CLOEXEC);  // not inherited by programs started later
    return RunningProcess{pid, pipe_fds[0]};
}

ProcessResult finish_process(const RunningProcess& process, const ProcessOptions& options)
{
    const pid_t pid = process.pid;
    const int output_fd = process.output_fd;
    ProcessResult result;
    time_t deadline = time(nullptr) + options.timeout_seconds;
    int status = 0;
    bool done = false;
    bool printed_seen = false;
    char buffer[65536];
    while (true) {
        ssize_t got = read(output_fd, buffer, sizeof buffer);
        if (got > 0) {
            result.output.append(buffer, static_cast<size_t>(got));
            if (!printed_seen && options.on_printed &&
                result.output.find(options.when_printed) != std::string::npos) {
                printed_seen = true;
                options.on_printed();
            }
            continue;
        }
        if (got == 0) {
            break;  // every writer closed the pipe
        }
        if (errno != EAGAIN && errno != EINTR) {
            break;
        }
        if (!done && waitpid(pid, &status, WNOHANG) == pid) {
            done = true;
        }
        // Once reaped, the process id may already be another process's.
        if (!done && time(nullptr) > deadline) {
            kill(pid, SIGKILL);
        }
        usleep(2000);
    }
    close(output_fd);
    if (!done) {
        waitpid(pid, &status, 0);
    }
    if (WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options)
{
    return finish_process(start_process(program, args, options), options);
}

RunningProcess start_vastrelmon(const std::vector<std::string>& args, const ProcessOptions& options)
{
    return start_process(VASTRELMON_BINARY, args, options);
}

ProcessResult run_vastrelmon(const std::vector<std::string>& args, const ProcessOptions& options)
{
    return run_process(VASTRELMON_BINARY, args, options);
}
