// Pictures for the image tests, built in memory from short recipes.
#ifndef VASTRELMON_TESTS_IMAGE_IMAGE_RECIPES_H
#define VASTRELMON_TESTS_IMAGE_IMAGE_RECIPES_H

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "image/bitmap.h"

struct Color {
    int red;
    int green;
    int blue;
    bool operator==(const Color& other) const
    {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Color& c)
{
    return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

// A true-colour picture one row high with these pixels, left to right.
inline void make_true_color(clBitMap* image, const std::vector<Color>& row)
{
    ASSERT_EQ(image->set_color_depth(24), 0) << image->error_text;
    ASSERT_EQ(image->create(static_cast<int>(row.size()), 1), 0) << image->error_text;
    for (size_t i = 0; i < row.size(); ++i) {
        image->pixels()[3 * i] = static_cast<uint8_t>(row[i].blue);
        image->pixels()[3 * i + 1] = static_cast<uint8_t>(row[i].green);
        image->pixels()[3 * i + 2] = static_cast<uint8_t>(row[i].red);
    }
}

// An indexed picture, one row high unless height says otherwise. Palette
// entry i is (i, 255 - i, i / 2), so every entry differs from every other.
inline void make_indexed(clBitMap* image, int depth, const std::vector<uint8_t>& pixels, int height = 1)
{
    ASSERT_EQ(image->set_color_depth(depth), 0) << image->error_text;
    ASSERT_EQ(image->create(static_cast<int>(pixels.size()) / height, height), 0) << image->error_text;
    for (size_t i = 0; i < pixels.size(); ++i) {
        image->pixels()[i] = pixels[i];
    }
    for (int i = 0; i < kPaletteEntries; ++i) {
        image->palette()[3 * i] = static_cast<uint8_t>(i);
        image->palette()[3 * i + 1] = static_cast<uint8_t>(255 - i);
        image->palette()[3 * i + 2] = static_cast<uint8_t>(i / 2);
    }
}

inline Color original_entry(int i)
{
    return {i, 255 - i, i / 2};
}

inline Color entry(const clBitMap& image, int i)
{
    return {image.palette()[3 * i], image.palette()[3 * i + 1], image.palette()[3 * i + 2]};
}

inline std::vector<int> indices(const clBitMap& image)
{
    return std::vector<int>(image.pixels(), image.pixels() + image.get_width() * image.get_height());
}

// Colour number k of a set of distinct colours.
inline Color distinct_color(int k)
{
    return {k & 0xFF, (k >> 8) & 0xFF, 7};
}

// Everything a conversion may change, for before/after comparisons.
inline std::string snapshot(const clBitMap& image)
{
    std::string bytes(reinterpret_cast<const char*>(image.palette()), kPaletteBytes);
    if (image.pixels() != nullptr) {
        bytes.append(reinterpret_cast<const char*>(image.pixels()), static_cast<size_t>(image.get_data_size()));
    }
    return bytes + "|" + std::to_string(image.get_color_depth()) + "|" +
           std::to_string(image.get_transparent_index());
}

#endif
