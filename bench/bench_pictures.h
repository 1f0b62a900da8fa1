// The micro-benchmarks' workloads: the project's generated pictures
// (tools/pictures.h) at a size that keeps one run in the milliseconds.
#ifndef VASTRELMON_BENCH_BENCH_PICTURES_H
#define VASTRELMON_BENCH_BENCH_PICTURES_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/pictures.h"

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
    return kind == PHOTO8    ? pictures::photo_indices(width, height)
           : kind == DITHER1 ? pictures::dither_indices(width, height)
                             : pictures::noise_indices(width, height);
}

// photo24 as the image holds it: blue, green, red bytes, 256 colours.
inline std::vector<uint8_t> bench_true_color(int width = kBenchWidth, int height = kBenchHeight)
{
    const std::vector<uint8_t> indices = pictures::photo_indices(width, height);
    const std::vector<pictures::Rgb> palette = pictures::ramp_palette();
    std::vector<uint8_t> bgr(indices.size() * 3);
    for (size_t i = 0; i < indices.size(); ++i) {
        const pictures::Rgb& c = palette[indices[i]];
        bgr[3 * i] = c.blue;
        bgr[3 * i + 1] = c.green;
        bgr[3 * i + 2] = c.red;
    }
    return bgr;
}

#endif
