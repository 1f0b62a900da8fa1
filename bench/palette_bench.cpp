// Palette work: shrinking an indexed picture's table and building the table
// of a true-colour picture. Both work in place, so every run starts from a
// fresh copy of the picture, which is not timed.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/bench_pictures.h"
#include "image/bitmap.h"

namespace {

void load_picture(clBitMap* image, int depth, const std::vector<uint8_t>& bytes)
{
    image->release();
    image->set_color_depth(depth);
    image->create(kBenchWidth, kBenchHeight);
    std::memcpy(image->pixels(), bytes.data(), bytes.size());
    for (int i = 0; i < kPaletteBytes; ++i) {
        image->palette()[i] = static_cast<uint8_t>(i);
    }
}

// The photo's levels halved and offset: 128 of 256 entries in use, so the
// pixels are renumbered, after a scan that cannot stop early.
void BM_CompactPalette(benchmark::State& state)
{
    std::vector<uint8_t> pixels = bench_indices(PHOTO8);
    for (uint8_t& p : pixels) {
        p = static_cast<uint8_t>(p / 2 + 64);
    }
    clBitMap image;
    for (auto _ : state) {
        state.PauseTiming();
        load_picture(&image, 8, pixels);
        state.ResumeTiming();
        if (image.compact_palette() != 0) {
            state.SkipWithError(image.error_text);
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels));
}
BENCHMARK(BM_CompactPalette)->Unit(benchmark::kMillisecond);

void BM_BuildPalette(benchmark::State& state)
{
    std::vector<uint8_t> bgr = bench_true_color();
    clBitMap image;
    for (auto _ : state) {
        state.PauseTiming();
        load_picture(&image, 24, bgr);
        state.ResumeTiming();
        if (image.build_palette() != 0 || image.get_color_depth() > 8) {
            state.SkipWithError("the picture did not become indexed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels));
}
BENCHMARK(BM_BuildPalette)->Unit(benchmark::kMillisecond);

}  // namespace
