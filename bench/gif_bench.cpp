// The encoder's hot loops: the row-order copy with its pixel check, both
// coders, and the stream to a file.
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
#include "platform/file_sink.h"

namespace {

constexpr size_t kPaletteBytes = 256 * 3;

long file_bytes(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return 0;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// The pixels of a bench picture, described for the encoder.
struct BenchPicture {
    int width;
    int height;
    int depth;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> palette = std::vector<uint8_t>(kPaletteBytes, 0);

    // scale 4 gives the full 6400 x 4800 of the side-by-side comparison.
    BenchPicture(int kind, int scale = 1)
        : width(kBenchWidth * scale),
          height(kBenchHeight * scale),
          depth(bench_kind_depth(kind)),
          pixels(bench_indices(kind, width, height))
    {
    }

    GifPicture describe(GifCoder coder) const
    {
        GifPicture picture;
        picture.width = width;
        picture.height = height;
        picture.color_depth = depth;
        picture.palette = palette.data();
        picture.coder = coder;
        picture.pixels = pixels.data();
        return picture;
    }
};

// Takes the stream and forgets it: only the encoder is timed.
class CountingSink : public ByteSink {
public:
    bool write(const void*, size_t size) override
    {
        bytes += size;
        return true;
    }
    size_t bytes = 0;
};

// Times the whole stream into a sink that keeps nothing.
void time_coding(benchmark::State& state, const BenchPicture& picture, GifCoder coder)
{
    const GifPicture described = picture.describe(coder);
    for (auto _ : state) {
        clGIFFile gif;
        CountingSink sink;
        if (gif.encode(described, &sink) != 0) {
            state.SkipWithError(gif.error_text);
            break;
        }
        benchmark::DoNotOptimize(sink.bytes);
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
    time_coding(state, BenchPicture(kind, scale), GifCoder::kLzw);
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
    time_coding(state, BenchPicture(kind), biggest ? GifCoder::kPlainBiggest : GifCoder::kPlain);
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

// The whole stream of a noise picture (the most coded bytes) into a new
// file through the file's sink, named at the end.
void BM_WriteGif(benchmark::State& state)
{
    const BenchPicture picture(NOISE8);
    const GifPicture described = picture.describe(GifCoder::kLzw);
    char path[] = "/tmp/gif-bench-XXXXXX";
    const int folder = mkstemp(path);
    if (folder < 0) {
        state.SkipWithError("cannot make a scratch name");
        return;
    }
    close(folder);
    std::remove(path);
    size_t bytes = 0;
    for (auto _ : state) {
        clGIFFile gif;
        FileSink file;
        OutputOptions unsynced;
        unsynced.sync = false;
        if (!file.open(path, unsynced) || gif.encode(described, &file) != 0 || file.commit() != 0) {
            state.SkipWithError("the file could not be written");
            break;
        }
        state.PauseTiming();
        bytes = static_cast<size_t>(file_bytes(path));
        std::remove(path);
        state.ResumeTiming();
    }
    std::remove(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

}  // namespace
