#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>

void silence_console()
{
    static bool done = false;
    if (!done) {
        done = std::freopen("/dev/null", "w", stdout) != nullptr;
    }
}

std::string scratch_path(const char* suffix)
{
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/vastrelmon-fuzz-" + std::to_string(getpid()) + suffix;
}
