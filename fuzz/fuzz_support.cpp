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

bool declares_big_picture(const uint8_t* bmp, size_t size)
{
    constexpr uint64_t kMostPixels = uint64_t{1} << 16;
    constexpr size_t kHeaderSizeAt = 14;
    constexpr size_t kWidthAt = 18;
    auto field = [bmp](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | bmp[at + static_cast<size_t>(i)];
        }
        return value;
    };
    if (size < kWidthAt + 8) {
        return false;
    }
    // The core header holds 16-bit sizes, the others 32-bit ones (a height
    // below zero for top-down rows).
    const bool core = field(kHeaderSizeAt, 4) == 12;
    const int64_t width = core ? static_cast<int16_t>(field(kWidthAt, 2)) : static_cast<int32_t>(field(kWidthAt, 4));
    const int64_t height = core ? static_cast<int16_t>(field(kWidthAt + 2, 2))
                                : static_cast<int32_t>(field(kWidthAt + 4, 4));
    return static_cast<uint64_t>(width < 0 ? -width : width) * static_cast<uint64_t>(height < 0 ? -height : height) >
           kMostPixels;
}
