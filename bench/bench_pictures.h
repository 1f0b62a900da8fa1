// Deterministic pictures for the micro-benchmarks, shaped like the
// workloads of the side-by-side comparison: smooth photo-like indices with a
// little grain, a 1-bit ordered dither of a gradient, uniform 8-bit noise,
// and the photo as a true-colour picture of 256 colours.
#ifndef VASTRELMON_BENCH_BENCH_PICTURES_H
#define VASTRELMON_BENCH_BENCH_PICTURES_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// 1600 x 1200 keeps one run of a coder in the milliseconds, long enough for
// steady figures and short enough to repeat many times.
constexpr int kBenchWidth = 1600;
constexpr int kBenchHeight = 1200;
constexpr size_t kBenchPixels = static_cast<size_t>(kBenchWidth) * kBenchHeight;

enum BenchKind : int { PHOTO8 = 0, DITHER1 = 1, NOISE8 = 2 };

inline const char* bench_kind_name(int kind)
{
    return kind == PHOTO8 ? "photo8" : kind == DITHER1 ? "dither1" : "noise8";
}

inline int bench_kind_depth(int kind)
{
    return kind == DITHER1 ? 1 : 8;
}

inline std::vector<uint8_t> bench_indices(int kind, int width = kBenchWidth, int height = kBenchHeight)
{
    static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            int value = 0;
            if (kind == PHOTO8) {
                double f = 0.5 + 0.25 * std::sin(6.0 * u + 2.0 * std::sin(5.0 * v)) +
                           0.2 * std::cos(9.0 * v - 3.0 * u) + 0.05 * std::sin(40.0 * u * v);
                int grain = ((x / 16 + y / 16) % 7 == 0) ? static_cast<int>((state >> 40) & 3) - 1 : 0;
                value = std::max(0, std::min(255, static_cast<int>(f * 255.0) + grain));
            } else if (kind == DITHER1) {
                double f = 0.5 + 0.3 * std::sin(7.0 * u) * std::cos(5.0 * v) + 0.2 * (u - v);
                value = static_cast<int>(f * 16.0) > kBayer[y & 3][x & 3] ? 1 : 0;
            } else {
                value = static_cast<int>((state >> 24) & 0xFF);
            }
            pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(value);
        }
    }
    return pixels;
}

// The photo as blue, green, red bytes: index i becomes a colour of its own.
inline std::vector<uint8_t> bench_true_color(int width = kBenchWidth, int height = kBenchHeight)
{
    std::vector<uint8_t> indices = bench_indices(PHOTO8, width, height);
    std::vector<uint8_t> bgr(indices.size() * 3);
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint8_t level = indices[i];
        bgr[3 * i] = static_cast<uint8_t>(255 - level);
        bgr[3 * i + 1] = static_cast<uint8_t>(level / 2 + 64);
        bgr[3 * i + 2] = level;
    }
    return bgr;
}

// Writes the picture as an uncompressed BMP, bottom row first: indices at
// depth 1 or 8 (a grey palette), or blue, green, red bytes at depth 24.
inline bool write_bench_bmp(const char* path, const std::vector<uint8_t>& pixels, int width, int height, int depth)
{
    const uint32_t row_bytes = depth == 24 ? 3u * width : (static_cast<uint32_t>(width) * depth + 7) / 8;
    const uint32_t stride = (row_bytes + 3) & ~3u;
    const uint32_t table = depth == 24 ? 0 : 4u << depth;
    const uint32_t offset = 14 + 40 + table;
    const uint32_t size = offset + stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> file(size, 0);
    auto put = [&file](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file[at + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, size, 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, static_cast<uint32_t>(depth), 2);
    for (uint32_t i = 0; i < table / 4; ++i) {
        const uint32_t grey = i * 255 / ((table / 4) - 1);
        put(54 + 4 * i, grey | grey << 8 | grey << 16, 4);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = file.data() + offset + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            if (depth == 24) {
                row[3 * x] = pixels[3 * i];
                row[3 * x + 1] = pixels[3 * i + 1];
                row[3 * x + 2] = pixels[3 * i + 2];
            } else if (depth == 8) {
                row[x] = pixels[i];
            } else {
                row[x / 8] = static_cast<uint8_t>(row[x / 8] | (pixels[i] & 1) << (7 - x % 8));
            }
        }
    }
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

#endif
