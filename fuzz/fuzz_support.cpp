#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

void write_scratch(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}
