// Makes deterministic BMP pictures for the example, the benchmarks and the
// fuzz seeds, without any test code:
//
//   bmpgen <kind> <width> <height> <out.bmp>
//   bmpgen seeds <folder>
//
// kinds: photo24 (24-bit, smooth shapes in 256 colours), photo8 (the same
// picture as 8-bit), dither1 (1-bit ordered dither of a gradient), noise8
// (8-bit uniform noise), example (24-bit, a small scene in 256 colours).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/bmp_writer.h"

namespace {

constexpr int kMaxWidth = 6400;
constexpr int kMaxHeight = 4800;

struct Rgb {
    uint8_t r, g, b;
};

struct Layout {
    uint32_t header_bytes = bmp_writer::kInfoHeader;  // kCoreHeader writes the core layout
    bool top_down = false;
};

// Writes a BMP. indices holds one palette index per pixel (bits 1, 4 or 8)
// or is empty for 24 bits, where rgb holds the colours.
bool write_bmp(const char* path, int width, int height, int bits, const std::vector<Rgb>& palette,
               const std::vector<uint8_t>& indices, const std::vector<Rgb>& rgb,
               Layout layout = Layout())
{
    bmp_writer::BmpRecipe recipe;
    recipe.header_size = layout.header_bytes;
    recipe.width = width;
    recipe.height = layout.top_down ? -height : height;
    recipe.bit_count = static_cast<uint16_t>(bits);
    if (bits != 24) {
        recipe.palette.resize(size_t{1} << bits, bmp_writer::Rgb{0, 0, 0});
        for (size_t i = 0; i < palette.size() && i < recipe.palette.size(); ++i) {
            recipe.palette[i] = {palette[i].r, palette[i].g, palette[i].b};
        }
        recipe.pixels.assign(indices.begin(), indices.end());
    } else {
        recipe.pixels.reserve(rgb.size());
        for (const Rgb& c : rgb) {
            recipe.pixels.push_back(static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b);
        }
    }
    if (!bmp_writer::write(path, recipe)) {
        std::fprintf(stderr, "%s: write failed\n", path);
        return false;
    }
    return true;
}

// A 256-colour ramp through blue, green, yellow, red and white.
std::vector<Rgb> ramp_palette()
{
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
        double t = i / 255.0;
        palette[i] = {static_cast<uint8_t>(255 * std::min(1.0, 2 * t)),
                      static_cast<uint8_t>(255 * std::sin(t * 3.14159265)),
                      static_cast<uint8_t>(255 * (1 - t) * (1 - t) + 40 * t)};
        palette[i].b = static_cast<uint8_t>((palette[i].b & 0xFC) | (i & 3));  // keep all 256 distinct
    }
    return palette;
}

// Smooth shapes with a little grain, quantised to 256 levels: long runs like
// a photograph's sky, busier areas like its detail.
std::vector<uint8_t> photo_indices(int width, int height)
{
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            double f = 0.5 + 0.25 * std::sin(6.0 * u + 2.0 * std::sin(5.0 * v)) +
                       0.2 * std::cos(9.0 * v - 3.0 * u) + 0.05 * std::sin(40.0 * u * v);
            seed = seed * 1664525u + 1013904223u;
            int grain = static_cast<int>((seed >> 29) & 3) - 1;  // -1..2
            int level = static_cast<int>(f * 255.0) + ((x / 16 + y / 16) % 7 == 0 ? grain : 0);
            indices[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>(std::max(0, std::min(255, level)));
        }
    }
    return indices;
}

std::vector<uint8_t> dither_indices(int width, int height)
{
    static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width;
            double v = static_cast<double>(y) / height;
            double f = 0.5 + 0.3 * std::sin(7.0 * u) * std::cos(5.0 * v) + 0.2 * (u - v);
            int level = static_cast<int>(f * 16.0);
            indices[static_cast<size_t>(y) * width + x] = level > kBayer[y & 3][x & 3] ? 1 : 0;
        }
    }
    return indices;
}

std::vector<uint8_t> noise_indices(int width, int height)
{
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint8_t& index : indices) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        index = static_cast<uint8_t>(state >> 24);
    }
    return indices;
}

// A small landscape: sky gradient, sun, hills and a red house, in fewer than
// 256 colours.
std::vector<Rgb> example_scene(int width, int height)
{
    std::vector<Rgb> rgb(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgb c;
            int sky = 120 + (y * 100) / height;
            c = {static_cast<uint8_t>(sky / 2), static_cast<uint8_t>(sky), 250};
            int dx = x - width * 3 / 4;
            int dy = y - height / 5;
            if (dx * dx + dy * dy < (height / 8) * (height / 8)) {
                c = {255, 220, 40};
            }
            double hill = height * (0.62 + 0.08 * std::sin(x * 6.28 / width));
            if (y > hill) {
                int shade = 60 + ((y - static_cast<int>(hill)) * 80) / height;
                c = {30, static_cast<uint8_t>(100 + shade), 40};
            }
            int hx = width / 5, hy = height / 2, hw = width / 5, hh = height / 4;
            if (x >= hx && x < hx + hw && y >= hy && y < hy + hh) {
                c = {200, 30, 30};
                if ((x - hx) > hw / 3 && (x - hx) < hw / 2 && y > hy + hh / 2) {
                    c = {90, 50, 20};  // door
                }
            }
            if (y < hy && y >= hy - hw / 2 && std::abs(x - (hx + hw / 2)) < (y - (hy - hw / 2))) {
                c = {110, 40, 30};  // roof
            }
            rgb[static_cast<size_t>(y) * width + x] = c;
        }
    }
    return rgb;
}

// Small files of every kind the reader accepts, as a fuzzing start.
int write_seeds(const std::string& folder)
{
    int written = 0;
    const int sizes[][2] = {{1, 1}, {3, 2}, {9, 5}, {33, 7}};
    const uint32_t headers[] = {bmp_writer::kCoreHeader, bmp_writer::kInfoHeader, 124};
    for (int bits : {1, 4, 8, 24}) {
        for (uint32_t header : headers) {
            for (const auto& size : sizes) {
                for (bool top_down : {false, true}) {
                    int w = size[0], h = size[1];
                    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
                    std::vector<Rgb> rgb(indices.size());
                    std::vector<Rgb> palette(256);
                    for (int i = 0; i < 256; ++i) {
                        palette[i] = {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 11),
                                      static_cast<uint8_t>(255 - i)};
                    }
                    for (size_t i = 0; i < indices.size(); ++i) {
                        indices[i] = static_cast<uint8_t>((i * 7 + i / 3) % (bits == 24 ? 256 : (1u << bits)));
                        rgb[i] = palette[indices[i] % 5];
                    }
                    Layout layout;
                    layout.header_bytes = header;
                    layout.top_down = top_down;
                    std::string name = folder + "/seed-" + std::to_string(bits) + "-" +
                                       std::to_string(header) + "-" + std::to_string(w) + "x" +
                                       std::to_string(h) + (top_down ? "-td" : "") + ".bmp";
                    if (!write_bmp(name.c_str(), w, h, bits, palette, indices, rgb, layout)) {
                        return 1;
                    }
                    ++written;
                }
            }
        }
    }
    std::printf("%d seeds in %s\n", written, folder.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "seeds") {
        return write_seeds(argv[2]);
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: bmpgen photo24|photo8|dither1|noise8|example <width> <height> <out.bmp>\n");
        return 2;
    }
    std::string kind = argv[1];
    int width = std::atoi(argv[2]);
    int height = std::atoi(argv[3]);
    if (width < 1 || width > kMaxWidth || height < 1 || height > kMaxHeight) {
        std::fprintf(stderr, "bmpgen: size must be 1..%d x 1..%d\n", kMaxWidth, kMaxHeight);
        return 2;
    }
    const char* out = argv[4];
    if (kind == "photo24" || kind == "photo8") {
        std::vector<Rgb> palette = ramp_palette();
        std::vector<uint8_t> indices = photo_indices(width, height);
        if (kind == "photo8") {
            return write_bmp(out, width, height, 8, palette, indices, {}) ? 0 : 1;
        }
        std::vector<Rgb> rgb(indices.size());
        for (size_t i = 0; i < indices.size(); ++i) {
            rgb[i] = palette[indices[i]];
        }
        return write_bmp(out, width, height, 24, {}, {}, rgb) ? 0 : 1;
    }
    if (kind == "dither1") {
        return write_bmp(out, width, height, 1, {{0, 0, 0}, {255, 255, 255}},
                         dither_indices(width, height), {}) ? 0 : 1;
    }
    if (kind == "noise8") {
        std::vector<Rgb> palette(256);
        for (int i = 0; i < 256; ++i) {
            palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                          static_cast<uint8_t>(i * 7)};
        }
        return write_bmp(out, width, height, 8, palette, noise_indices(width, height), {}) ? 0 : 1;
    }
    if (kind == "example") {
        return write_bmp(out, width, height, 24, {}, {}, example_scene(width, height)) ? 0 : 1;
    }
    std::fprintf(stderr, "bmpgen: unknown kind %s\n", kind.c_str());
    return 2;
}
