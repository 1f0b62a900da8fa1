// The deterministic pictures of the project, in one place: the example, the
// benchmark workloads and the fuzz seeds. bmpgen writes them to files; the
// benchmarks and tests build them in memory. Each is returned as a
// bmp_writer recipe (or as its raw indices), so one writer stores them all.
#ifndef VASTRELMON_TOOLS_PICTURES_H
#define VASTRELMON_TOOLS_PICTURES_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/bmp_writer.h"

namespace pictures {

using bmp_writer::BmpRecipe;
using bmp_writer::Rgb;

// A 256-colour ramp through blue, green, yellow, red and white; all entries
// distinct.
std::vector<Rgb> ramp_palette();
// 256 distinct colours for noise8: (i, 255 - i, 7i).
std::vector<Rgb> noise_palette();

// One index per pixel, top row first.
// Smooth shapes with a little grain, 256 levels: long runs like a
// photograph's sky, busier areas like its detail.
std::vector<uint8_t> photo_indices(int width, int height);
// A 1-bit ordered dither of a gradient.
std::vector<uint8_t> dither_indices(int width, int height);
// Uniform 8-bit noise.
std::vector<uint8_t> noise_indices(int width, int height);
// A small landscape (sky, sun, hills, a red house) in fewer than 256 colours.
std::vector<Rgb> example_scene(int width, int height);

// An indexed picture at 1, 4 or 8 bits: the palette is padded with black
// (or cut) to 2^bits entries. header_size as in BmpRecipe; top_down stores
// the rows top first.
BmpRecipe indexed_recipe(int width, int height, int bits, const std::vector<Rgb>& palette,
                         const std::vector<uint8_t>& indices,
                         uint32_t header_size = bmp_writer::kInfoHeader, bool top_down = false);
// A 24-bit picture of these colours.
BmpRecipe true_color_recipe(int width, int height, const std::vector<Rgb>& colors,
                            uint32_t header_size = bmp_writer::kInfoHeader, bool top_down = false);

// A screenshot: windows with title bars and lines of text on a flat
// desktop, in under 256 colours; long runs, as run-length coding likes.
std::vector<uint8_t> screen_indices(int width, int height);

// The named pictures: photo24 (the photo in 24 bits, 256 colours), photo8
// (the same as 8-bit), photo32 (the same in 32-bit pixels), dither1,
// noise8, screen8 (the screenshot, 8 bits), screen8rle (the same,
// run-length coded) and example (24 bits). False for an unknown kind.
bool named_picture(const std::string& kind, int width, int height, BmpRecipe* out);
// The named picture drawn at full_width x full_height (at least as big),
// cut down to width x height: the full picture is split into a grid of as
// many cells as the smaller one fits in it, and the middle of every cell
// goes side by side into the smaller one. It keeps the big picture's detail
// per pixel, where named_picture draws the whole scene smaller.
bool named_picture_cut(const std::string& kind, int width, int height, int full_width, int full_height,
                       BmpRecipe* out);

// Small files of every kind the reader accepts (1, 4, 8, 24 bits; core,
// information and v5 headers; four sizes; both row orders; run-length
// coded 4 and 8 bits; 16 and 32 bits with and without bit fields), as a
// fuzzing start. name is a file name.
struct Seed {
    std::string name;
    BmpRecipe recipe;
};
std::vector<Seed> fuzz_seeds();

}  // namespace pictures

#endif
