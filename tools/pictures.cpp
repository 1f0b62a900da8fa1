#include "tools/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pictures {

std::vector<Rgb> ramp_palette()
{
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
        double t = i / 255.0;
        palette[i] = {static_cast<uint8_t>(255 * std::min(1.0, 2 * t)),
                      static_cast<uint8_t>(255 * std::sin(t * 3.14159265)),
                      static_cast<uint8_t>(255 * (1 - t) * (1 - t) + 40 * t)};
        palette[i].blue = static_cast<uint8_t>((palette[i].blue & 0xFC) | (i & 3));  // keep all 256 distinct
    }
    return palette;
}

std::vector<Rgb> noise_palette()
{
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
        palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                      static_cast<uint8_t>(i * 7)};
    }
    return palette;
}

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

namespace {

BmpRecipe base_recipe(int width, int height, int bits, uint32_t header_size, bool top_down)
{
    BmpRecipe recipe;
    recipe.header_size = header_size;
    recipe.width = width;
    recipe.height = top_down ? -height : height;
    recipe.bit_count = static_cast<uint16_t>(bits);
    return recipe;
}

}  // namespace

BmpRecipe indexed_recipe(int width, int height, int bits, const std::vector<Rgb>& palette,
                         const std::vector<uint8_t>& indices, uint32_t header_size, bool top_down)
{
    BmpRecipe recipe = base_recipe(width, height, bits, header_size, top_down);
    recipe.palette.resize(size_t{1} << bits, Rgb{0, 0, 0});
    for (size_t i = 0; i < palette.size() && i < recipe.palette.size(); ++i) {
        recipe.palette[i] = palette[i];
    }
    recipe.pixels.assign(indices.begin(), indices.end());
    return recipe;
}

BmpRecipe true_color_recipe(int width, int height, const std::vector<Rgb>& colors,
                            uint32_t header_size, bool top_down)
{
    BmpRecipe recipe = base_recipe(width, height, 24, header_size, top_down);
    recipe.pixels.reserve(colors.size());
    for (const Rgb& c : colors) {
        recipe.pixels.push_back(static_cast<uint32_t>(c.red) << 16 |
                                static_cast<uint32_t>(c.green) << 8 | c.blue);
    }
    return recipe;
}

std::vector<uint8_t> screen_indices(int width, int height)
{
    std::vector<uint8_t> indices(static_cast<size_t>(width) * static_cast<size_t>(height), 17);
    // Windows on a flat desktop, each a title bar over a light page of
    // "text": short dark runs on some rows, spaced like words and lines.
    for (int w = 0; w < 24; ++w) {
        const int left = (w * 997) % std::max(1, width * 3 / 4);
        const int top = (w * 1531) % std::max(1, height * 3 / 4);
        const int right = std::min(width, left + width / 4 + (w * 37) % (width / 8 + 1));
        const int bottom = std::min(height, top + height / 4 + (w * 53) % (height / 8 + 1));
        for (int y = top; y < bottom; ++y) {
            uint8_t* row = &indices[static_cast<size_t>(y) * width];
            const bool title = y - top < 24;
            for (int x = left; x < right; ++x) {
                uint8_t value = title ? static_cast<uint8_t>(32 + w) : uint8_t{250};
                if (!title && (y - top) % 18 > 6 && (y - top) % 18 < 16 && x - left > 8 && right - x > 8) {
                    const int word = (x - left + (y - top) / 18 * 13) % 60;
                    const bool ink = word < 44 && ((x * 7 + y * 3) % 5 < 2 || (x + y) % 9 == 0);
                    value = ink ? static_cast<uint8_t>(w % 3) : value;
                }
                if (x == left || x == right - 1 || y == bottom - 1) {
                    value = 8;
                }
                row[x] = value;
            }
        }
    }
    return indices;
}

std::vector<Rgb> screen_palette()
{
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
        palette[i] = {static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3 + 40)};
    }
    palette[250] = {250, 250, 248};
    return palette;
}

bool named_picture(const std::string& kind, int width, int height, BmpRecipe* out)
{
    if (kind == "screen8" || kind == "screen8rle") {
        *out = indexed_recipe(width, height, 8, screen_palette(), screen_indices(width, height));
        if (kind == "screen8rle") {
            out->compression = 1;
            out->run_length = bmp_writer::RunLengthCoding();
        }
        return true;
    }
    if (kind == "photo32") {
        // photo24 in 32-bit pixels, the top byte unused.
        if (!named_picture("photo24", width, height, out)) {
            return false;
        }
        out->bit_count = 32;
        return true;
    }
    if (kind == "photo24" || kind == "photo8") {
        const std::vector<Rgb> palette = ramp_palette();
        const std::vector<uint8_t> indices = photo_indices(width, height);
        if (kind == "photo8") {
            *out = indexed_recipe(width, height, 8, palette, indices);
            return true;
        }
        std::vector<Rgb> colors(indices.size());
        for (size_t i = 0; i < indices.size(); ++i) {
            colors[i] = palette[indices[i]];
        }
        *out = true_color_recipe(width, height, colors);
        return true;
    }
    if (kind == "dither1") {
        *out = indexed_recipe(width, height, 1, {{0, 0, 0}, {255, 255, 255}},
                              dither_indices(width, height));
        return true;
    }
    if (kind == "noise8") {
        *out = indexed_recipe(width, height, 8, noise_palette(), noise_indices(width, height));
        return true;
    }
    if (kind == "example") {
        *out = true_color_recipe(width, height, example_scene(width, height));
        return true;
    }
    return false;
}

namespace {

// Along one side (small pixels long, full in the full picture), where the
// pixel at offset comes from: the side is split into cells equal parts in
// both pictures, and each part of the smaller one is the middle of the
// same part of the full one.
size_t source_offset(size_t offset, size_t small, size_t full, size_t cells)
{
    const size_t cell = offset * cells / small;
    const size_t block_start = (cell * small + cells - 1) / cells;
    const size_t block_size = ((cell + 1) * small + cells - 1) / cells - block_start;
    const size_t cell_start = cell * full / cells;
    const size_t cell_size = (cell + 1) * full / cells - cell_start;
    return cell_start + (cell_size - block_size) / 2 + (offset - block_start);
}

}  // namespace

bool named_picture_cut(const std::string& kind, int width, int height, int full_width, int full_height,
                       BmpRecipe* out)
{
    if (width > full_width || height > full_height || !named_picture(kind, full_width, full_height, out)) {
        return false;
    }
    // A block from the middle of every cell of the full picture, side by
    // side: every part of the scene is in the smaller picture, in the share
    // it has in the full one. The recipe's pixels run top row first.
    const size_t columns = static_cast<size_t>(full_width / width);
    const size_t rows = static_cast<size_t>(full_height / height);
    std::vector<uint32_t> cut;
    cut.reserve(static_cast<size_t>(width) * height);
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        const size_t from_y = source_offset(y, height, full_height, rows);
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            cut.push_back(out->pixels[from_y * full_width + source_offset(x, width, full_width, columns)]);
        }
    }
    out->pixels.swap(cut);
    out->width = width;
    out->height = out->height < 0 ? -height : height;
    return true;
}

std::vector<Seed> fuzz_seeds()
{
    std::vector<Seed> seeds;
    const int sizes[][2] = {{1, 1}, {3, 2}, {9, 5}, {33, 7}};
    const uint32_t headers[] = {bmp_writer::kCoreHeader, bmp_writer::kInfoHeader,
                                bmp_writer::kV5Header};
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
        palette[i] = {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 11),
                      static_cast<uint8_t>(255 - i)};
    }
    for (int bits : {1, 4, 8, 24}) {
        for (uint32_t header : headers) {
            for (const auto& size : sizes) {
                for (bool top_down : {false, true}) {
                    int w = size[0], h = size[1];
                    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
                    std::vector<Rgb> colors(indices.size());
                    for (size_t i = 0; i < indices.size(); ++i) {
                        indices[i] = static_cast<uint8_t>((i * 7 + i / 3) % (bits == 24 ? 256 : (1u << bits)));
                        colors[i] = palette[indices[i] % 5];
                    }
                    std::string name = "seed-" + std::to_string(bits) + "-" + std::to_string(header) +
                                       "-" + std::to_string(w) + "x" + std::to_string(h) +
                                       (top_down ? "-td" : "") + ".bmp";
                    seeds.push_back({name, bits == 24
                                               ? true_color_recipe(w, h, colors, header, top_down)
                                               : indexed_recipe(w, h, bits, palette, indices, header, top_down)});
                }
            }
        }
    }
    // Run-length coded pictures, each way of coding them; 16- and 32-bit
    // ones with plain and odd masks, in each header that holds masks.
    for (int bits : {4, 8}) {
        for (int way = 0; way < 4; ++way) {
            const int w = way == 3 ? 33 : 9, h = 5;
            std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
            for (size_t i = 0; i < indices.size(); ++i) {
                indices[i] = static_cast<uint8_t>(i % 11 < 4 ? 0 : (i / 3) % (1u << bits));
            }
            BmpRecipe recipe = indexed_recipe(w, h, bits, palette, indices);
            recipe.compression = bits == 8 ? 1 : 2;
            bmp_writer::RunLengthCoding coding;
            coding.absolute = way != 1;
            coding.skip_zeros = way == 2;
            coding.pad_last_run = way == 3;
            recipe.run_length = coding;
            seeds.push_back({"seed-rle" + std::to_string(bits) + "-" + std::to_string(way) + ".bmp", recipe});
        }
    }
    const std::vector<uint32_t> masks[] = {{}, {0xF800, 0x07E0, 0x001F}, {0x0030, 0x000E, 0x0001},
                                           {0xFF0000, 0xFF00, 0xFF}, {0xFE000000, 0x01FFFF80, 0x0000007F}};
    int number = 0;
    for (const std::vector<uint32_t>& mask : masks) {
        const int bits = mask.empty() ? (number == 0 ? 16 : 32) : mask[0] > 0xFFFF ? 32 : 16;
        for (uint32_t header : {bmp_writer::kInfoHeader, uint32_t{56}, bmp_writer::kV5Header}) {
            BmpRecipe recipe;
            recipe.width = 7;
            recipe.height = header == bmp_writer::kV5Header ? -3 : 3;
            recipe.bit_count = static_cast<uint16_t>(bits);
            recipe.header_size = header;
            recipe.compression = mask.empty() ? 0 : 3;
            recipe.masks = mask;
            for (uint32_t i = 0; i < 21; ++i) {
                recipe.pixels.push_back(i * 0x01234567u);
            }
            seeds.push_back({"seed-fields" + std::to_string(bits) + "-" + std::to_string(number) + "-" +
                                 std::to_string(header) + ".bmp",
                             recipe});
        }
        ++number;
    }
    return seeds;
}

}  // namespace pictures
