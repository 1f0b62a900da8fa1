// Reading a BMP file into a fresh picture: the file mapped, its stored rows
// unpacked to one byte per index or three per colour (a colour mode to come
// has every row read). The file
// lives in a memory-backed folder when there is one, so the figures are the
// reader's and not the disk's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "console/options.h"
#include "bench/bench_pictures.h"
#include "app/load_bmp.h"
#include "image/bitmap.h"

namespace {

std::string bench_file(const char* name)
{
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/vastrelmon-bench-" + std::to_string(getpid()) + "-" + name;
}

// Args: the depth of the stored rows (1, 8, 24 or 32), or 80 for the
// screenshot stored plainly in 8 bits and 81 for the same run-length coded:
// decoding its codes must cost no more a pixel than reading plain rows.
void BM_ReadBmpRows(benchmark::State& state)
{
    const int depth = static_cast<int>(state.range(0));
    const char* kind = depth == 24   ? "photo24"
                       : depth == 32 ? "photo32"
                       : depth == 8  ? "photo8"
                       : depth == 80 ? "screen8"
                       : depth == 81 ? "screen8rle"
                                     : "dither1";
    pictures::BmpRecipe recipe;
    pictures::named_picture(kind, kBenchWidth, kBenchHeight, &recipe);
    const std::string path = bench_file(("rows" + std::to_string(depth) + ".bmp").c_str());
    if (!bmp_writer::write(path, recipe)) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    uint32_t flags = kDefaultOptionFlags;
    for (auto _ : state) {
        clBitMap image;
        BmpInput input;
        if (load_bmp(&flags, -1, MODE_GREY, path.c_str(), &image, false, &input) != 0) {
            state.SkipWithError("load_bmp failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels());
    }
    std::remove(path.c_str());
    state.SetLabel(kind);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels));
}
BENCHMARK(BM_ReadBmpRows)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Arg(80)->Arg(81)->Unit(benchmark::kMillisecond);

// The run-length coded screenshot as the coder takes it: the codes checked
// once, then each row drawn into one buffer, through the compacted table.
// Against BM_ReadBmpRows/80 too.
void BM_RunLengthRowByRow(benchmark::State& state)
{
    pictures::BmpRecipe recipe;
    pictures::named_picture("screen8rle", kBenchWidth, kBenchHeight, &recipe);
    const std::string path = bench_file("rows-rle.bmp");
    if (!bmp_writer::write(path, recipe)) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    uint32_t flags = kDefaultOptionFlags;
    std::vector<uint8_t> row(kBenchWidth);
    for (auto _ : state) {
        clBitMap image;
        BmpInput input;
        conversion::Failure failure;
        if (load_bmp(&flags, -1, MODE_NONE, path.c_str(), &image, false, &input) != 0 || !input.rows.left ||
            conversion::make_palette(&image, &input.rows, &failure) != VASTRELMON_OK) {
            state.SkipWithError("the rows were not left in the file");
            break;
        }
        for (int32_t y = 0; y < kBenchHeight; ++y) {
            input.rows.read_row(y, row.data());
        }
        benchmark::DoNotOptimize(row.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBenchPixels));
}
BENCHMARK(BM_RunLengthRowByRow)->Unit(benchmark::kMillisecond);

}  // namespace
