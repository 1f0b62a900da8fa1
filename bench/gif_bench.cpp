// The encoder's hot loops: the row-order copy with its pixel check, both
// coders, and the stream writer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_pictures.h"
#include "gif/gif_file.h"
#include "gif/row_order.h"

namespace {

// An encoder holding a picture in GIF row order and an empty coded area, so
// a coder can be run again and again on the same pixels.
struct ReadyEncoder {
    clGIFFile gif;
    bool ok = false;

    // scale 4 gives the full 6400 x 4800 of the side-by-side comparison.
    ReadyEncoder(int kind, bool lzw, bool biggest, int scale = 1)
    {
        const int width = kBenchWidth * scale;
        const int height = kBenchHeight * scale;
        std::vector<uint8_t> pixels = bench_indices(kind, width, height);
        std::vector<uint8_t> palette(kGifColorTableBytes, 0);
        ok = gif.create(width, height) == 0 &&
             gif.set_color_depth(bench_kind_depth(kind)) == 0 && gif.set_palette(palette.data()) == 0;
        lzw ? gif.lzw_on() : gif.lzw_off();
        biggest ? gif.biggest_on() : gif.biggest_off();
        ok = ok && gif.set_graphics(pixels.data()) == 0;
    }
};

void set_pixel_counters(benchmark::State& state, int scale = 1)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels) *
                            scale * scale);
}

// Args: the picture kind and the scale.
void BM_EncodeLzw(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const int scale = static_cast<int>(state.range(1));
    ReadyEncoder ready(kind, true, false, scale);
    if (!ready.ok) {
        state.SkipWithError(ready.gif.error_text);
        return;
    }
    for (auto _ : state) {
        if (ready.gif.encode_lzw() != 0) {
            state.SkipWithError(ready.gif.error_text);
            break;
        }
        benchmark::DoNotOptimize(ready.gif.coded_length);
    }
    state.SetLabel(std::string(bench_kind_name(kind)) + (scale == 4 ? ", 6400 x 4800" : ""));
    set_pixel_counters(state, scale);
}
BENCHMARK(BM_EncodeLzw)
    ->Args({PHOTO8, 1})
    ->Args({DITHER1, 1})
    ->Args({NOISE8, 1})
    ->Args({PHOTO8, 4})
    ->Args({DITHER1, 4})
    ->Args({NOISE8, 4})
    ->Unit(benchmark::kMillisecond);

void BM_EncodeUncompressed(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const bool biggest = state.range(1) != 0;
    ReadyEncoder ready(kind, false, biggest);
    if (!ready.ok) {
        state.SkipWithError(ready.gif.error_text);
        return;
    }
    for (auto _ : state) {
        if (ready.gif.encode_uncompressed() != 0) {
            state.SkipWithError(ready.gif.error_text);
            break;
        }
        benchmark::DoNotOptimize(ready.gif.coded_length);
    }
    state.SetLabel(std::string(bench_kind_name(kind)) + (biggest ? ", biggest" : ""));
    set_pixel_counters(state);
}
BENCHMARK(BM_EncodeUncompressed)
    ->Args({NOISE8, 0})
    ->Args({NOISE8, 1})
    ->Args({DITHER1, 0})
    ->Args({DITHER1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_CopyInGifOrder(benchmark::State& state)
{
    const bool interlaced = state.range(0) != 0;
    std::vector<uint8_t> source = bench_indices(PHOTO8);
    std::vector<uint8_t> target(source.size());
    for (auto _ : state) {
        uint8_t bits = copy_in_gif_order(source.data(), kBenchWidth, kBenchHeight, interlaced,
                                         target.data());
        benchmark::DoNotOptimize(bits);
        benchmark::ClobberMemory();
    }
    state.SetLabel(interlaced ? "interlaced" : "top to bottom");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_CopyInGifOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The whole stream of a coded noise picture (the most coded bytes) into
// /dev/null, so only the writer's own work and the stdio layer are timed.
void BM_WriteGif(benchmark::State& state)
{
    ReadyEncoder ready(NOISE8, true, false);
    const char comment[] = "bench";
    if (!ready.ok || ready.gif.set_comment(1, static_cast<int32_t>(sizeof comment - 1), comment) != 0) {
        state.SkipWithError(ready.gif.error_text);
        return;
    }
    for (auto _ : state) {
        ready.gif.output_file = std::fopen("/dev/null", "wb");
        if (ready.gif.output_file == nullptr) {
            state.SkipWithError("cannot open /dev/null");
            break;
        }
        int status = ready.gif.write_gif();
        if (ready.gif.close_file() != 0 || status != 0) {
            state.SkipWithError(ready.gif.error_text);
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * ready.gif.coded_length);
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

}  // namespace
