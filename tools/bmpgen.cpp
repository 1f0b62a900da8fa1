// Writes the project's deterministic BMP pictures (tools/pictures.h) to
// files, for the example, the benchmarks and the fuzz seeds:
//
//   bmpgen <kind> <width> <height> <out.bmp> [<full width> <full height>]
//   bmpgen seeds <folder>
//
// kinds: photo24 (24-bit, smooth shapes in 256 colours), photo8 (the same
// picture as 8-bit), dither1 (1-bit ordered dither of a gradient), noise8
// (8-bit uniform noise), example (24-bit, a small scene in 256 colours).
// With a full size, the picture is made of blocks cut from that bigger one:
// the same detail per pixel at every size, for a benchmark's size sweep.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/bmp_writer.h"
#include "tools/pictures.h"

namespace {

constexpr int kMaxWidth = 6400;
constexpr int kMaxHeight = 4800;

bool write_file(const std::string& path, const bmp_writer::BmpRecipe& recipe)
{
    if (!bmp_writer::write(path, recipe)) {
        std::fprintf(stderr, "%s: write failed\n", path.c_str());
        return false;
    }
    return true;
}

int write_seeds(const std::string& folder)
{
    const std::vector<pictures::Seed> seeds = pictures::fuzz_seeds();
    for (const pictures::Seed& seed : seeds) {
        if (!write_file(folder + "/" + seed.name, seed.recipe)) {
            return 1;
        }
    }
    std::printf("%zu seeds in %s\n", seeds.size(), folder.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "seeds") {
        return write_seeds(argv[2]);
    }
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: bmpgen photo24|photo8|photo32|dither1|noise8|screen8|screen8rle|example "
                             "<width> <height> <out.bmp> "
                             "[<full width> <full height>]\n");
        return 2;
    }
    std::string kind = argv[1];
    int width = std::atoi(argv[2]);
    int height = std::atoi(argv[3]);
    int full_width = argc == 7 ? std::atoi(argv[5]) : width;
    int full_height = argc == 7 ? std::atoi(argv[6]) : height;
    if (width < 1 || height < 1 || full_width < width || full_width > kMaxWidth || full_height < height ||
        full_height > kMaxHeight) {
        std::fprintf(stderr, "bmpgen: size must be 1..%d x 1..%d, and no bigger than the full size\n", kMaxWidth,
                     kMaxHeight);
        return 2;
    }
    bmp_writer::BmpRecipe recipe;
    if (!pictures::named_picture_cut(kind, width, height, full_width, full_height, &recipe)) {
        std::fprintf(stderr, "bmpgen: unknown kind %s\n", kind.c_str());
        return 2;
    }
    return write_file(argv[4], recipe) ? 0 : 1;
}
