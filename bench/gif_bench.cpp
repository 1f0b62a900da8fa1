// The encoder's hot loops: the row-order copy with its pixel check, both
// coders, and the stream writer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_pictures.h"
#include "gif/gif_file.h"
#include "gif/row_order.h"

namespace {

constexpr size_t kPaletteBytes = 256 * 3;

// The pixels of a bench picture and an encoder set up for them up to the
// pixels, so that set_graphics (copy into GIF row order and coding) can be
// timed on its own, again and again with a new encoder.
struct BenchPicture {
    int width;
    int height;
    int depth;
    std::vector<uint8_t> pixels;

    // scale 4 gives the full 6400 x 4800 of the side-by-side comparison.
    BenchPicture(int kind, int scale = 1)
        : width(kBenchWidth * scale),
          height(kBenchHeight * scale),
          depth(bench_kind_depth(kind)),
          pixels(bench_indices(kind, width, height))
    {
    }

    bool prepare(clGIFFile* gif, bool lzw, bool biggest) const
    {
        std::vector<uint8_t> palette(kPaletteBytes, 0);
        if (gif->create(width, height) != 0 || gif->set_color_depth(depth) != 0 ||
            gif->set_palette(palette.data()) != 0) {
            return false;
        }
        lzw ? gif->lzw_on() : gif->lzw_off();
        biggest ? gif->biggest_on() : gif->biggest_off();
        return true;
    }
};

// Times set_graphics alone; the encoder is made and freed outside the clock.
void time_coding(benchmark::State& state, const BenchPicture& picture, bool lzw, bool biggest)
{
    for (auto _ : state) {
        state.PauseTiming();
        {
            clGIFFile gif;
            if (!picture.prepare(&gif, lzw, biggest)) {
                state.SkipWithError(gif.error_text);
                break;
            }
            state.ResumeTiming();
            if (gif.set_graphics(picture.pixels.data()) != 0) {
                state.SkipWithError(gif.error_text);
                break;
            }
            benchmark::DoNotOptimize(gif.coded_size());
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
}

void set_pixel_counters(benchmark::State& state, int scale = 1)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels) *
                            scale * scale);
}

// Args: the picture kind and the scale. Copy into GIF order and LZW coding.
void BM_EncodeLzw(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const int scale = static_cast<int>(state.range(1));
    time_coding(state, BenchPicture(kind, scale), true, false);
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
    time_coding(state, BenchPicture(kind), false, biggest);
    state.SetLabel(std::string(bench_kind_name(kind)) + (biggest ? ", biggest" : ""));
    set_pixel_counters(state);
}
BENCHMARK(BM_EncodeUncompressed)
    ->Args({NOISE8, 0})
    ->Args({NOISE8, 1})
    ->Args({DITHER1, 0})
    ->Args({DITHER1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_GifOrder(benchmark::State& state)
{
    const bool interlaced = state.range(0) != 0;
    std::vector<uint8_t> source = bench_indices(PHOTO8);
    for (auto _ : state) {
        uint8_t bits = combined_bits(source.data(), source.size());
        GifOrderWindow window;
        window.start(source.data(), kBenchWidth, kBenchHeight, interlaced);
        while (!window.last()) {
            window.advance(window.reach());
        }
        benchmark::DoNotOptimize(bits);
        benchmark::DoNotOptimize(window.pixels());
        benchmark::ClobberMemory();
    }
    state.SetLabel(interlaced ? "interlaced" : "top to bottom");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_GifOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The whole stream of a coded noise picture (the most coded bytes) into a
// new file, so only the writer's own work and the stdio layer are timed.
void BM_WriteGif(benchmark::State& state)
{
    const BenchPicture picture(NOISE8);
    clGIFFile gif;
    const char comment[] = "bench";
    if (!picture.prepare(&gif, true, false) ||
        gif.set_comment(1, static_cast<int32_t>(sizeof comment - 1), comment) != 0 ||
        gif.set_graphics(picture.pixels.data()) != 0) {
        state.SkipWithError(gif.error_text);
        return;
    }
    char path[] = "/tmp/gif-bench-XXXXXX";
    const int folder = mkstemp(path);
    if (folder < 0) {
        state.SkipWithError("cannot make a scratch name");
        return;
    }
    close(folder);
    std::remove(path);
    for (auto _ : state) {
        int status = gif.open_file(path) != 0 ? 1 : gif.write_gif();
        if (gif.close_file() != 0 || status != 0) {
            state.SkipWithError(gif.error_text);
            break;
        }
        state.PauseTiming();
        std::remove(path);
        state.ResumeTiming();
    }
    std::remove(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(gif.coded_size()));
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

}  // namespace
