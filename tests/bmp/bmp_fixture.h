// What the BMP reader tests share: a fixture that writes a file from a
// BmpRecipe into a fresh folder, runs load_bmp on it with the console output
// captured, and switches back to the English texts afterwards.
#ifndef VASTRELMON_TESTS_BMP_BMP_FIXTURE_H
#define VASTRELMON_TESTS_BMP_BMP_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/messages.h"
#include "console/options.h"
#include "app/load_bmp.h"
#include "image/bitmap.h"
#include "tools/bmp_writer.h"
#include "tests/support/temp_dir.h"

// The error text a failure must leave: ":CCCCCC:LLLLL:" and the text.
inline std::string error_text(uint32_t code, int line, const std::string& text)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, ":%06X:%05d:", static_cast<unsigned>(code), line);
    return prefix + text;
}

// The picture's bytes as load_bmp must leave them: one byte per index, or
// blue, green, red for 0xRRGGBB values.
inline std::vector<uint8_t> expected_pixels(const std::vector<uint32_t>& values, int bit_count)
{
    std::vector<uint8_t> bytes;
    for (uint32_t value : values) {
        if (bit_count == 24) {
            bytes.push_back(static_cast<uint8_t>(value));
            bytes.push_back(static_cast<uint8_t>(value >> 8));
            bytes.push_back(static_cast<uint8_t>(value >> 16));
        } else {
            bytes.push_back(static_cast<uint8_t>(value));
        }
    }
    return bytes;
}

inline std::vector<uint8_t> image_pixels(const clBitMap& image)
{
    if (image.pixels() == nullptr) {
        return {};
    }
    size_t bytes = static_cast<size_t>(image.get_width()) * image.get_height() * ((image.get_color_depth() + 7) / 8);
    return std::vector<uint8_t>(image.pixels(), image.pixels() + bytes);
}

class BmpTest : public testing::Test {
protected:
    // Tests that switch to the Japanese texts leave English behind them.
    void TearDown() override { use_english = true; }

    // With it, load_bmp adds the picture's size and the error texts.
    bool verbose = false;

    std::string save(const bmp_writer::BmpRecipe& recipe, const std::string& name = "in.bmp")
    {
        std::string path = dir_.file(name);
        EXPECT_TRUE(bmp_writer::write(path, recipe)) << "cannot write " << path;
        return path;
    }

    // load_bmp on a file; what it printed goes to printed.
    int load_path(const std::string& path, clBitMap* image, uint32_t* flags = nullptr,
                  int32_t transparent_index = -1)
    {
        uint32_t default_flags = kDefaultOptionFlags;
        testing::internal::CaptureStdout();
        int result = load_bmp(flags != nullptr ? flags : &default_flags, transparent_index,
                              path.c_str(), image, verbose);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    int load(const bmp_writer::BmpRecipe& recipe, clBitMap* image, uint32_t* flags = nullptr,
             int32_t transparent_index = -1)
    {
        return load_path(save(recipe), image, flags, transparent_index);
    }

    TempDir dir_;
    std::string printed;

private:
};

#endif
