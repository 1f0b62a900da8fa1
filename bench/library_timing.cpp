// Times the library's in-memory conversion of one BMP file: the median of
// many runs, in milliseconds, on one line. Usage: library_timing FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vastrelmon.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: library_timing FILE [RUNS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int runs = argc > 2 ? std::atoi(argv[2]) : 101;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        unsigned char* gif = nullptr;
        size_t size = 0;
        const auto start = std::chrono::steady_clock::now();
        const vastrelmon_status status = vastrelmon_convert(bmp.data(), bmp.size(), nullptr, &gif, &size, nullptr);
        const auto stop = std::chrono::steady_clock::now();
        vastrelmon_free(gif);
        if (status != VASTRELMON_OK) {
            std::fprintf(stderr, "%s: status %d\n", argv[1], static_cast<int>(status));
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    std::printf("%.4f\n", times[runs / 2]);
    return 0;
}
