// What the BMP reader tests share: a fixture that runs load_bmp on the bytes
// of a BmpRecipe (written to a file) or on a file with the console output
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
#include "bmp/bmp_file.h"
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

// A colour table whose entries all differ: entry i is (255 - i, 3i, i).
inline std::vector<bmp_writer::Rgb> distinct_palette(int entries)
{
    std::vector<bmp_writer::Rgb> table;
    for (int i = 0; i < entries; ++i) {
        table.push_back({static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3),
                         static_cast<uint8_t>(i)});
    }
    return table;
}

inline std::vector<uint8_t> image_pixels(const clBitMap& image)
{
    if (image.pixels() == nullptr) {
        return {};
    }
    const int bits = image.get_stored_bits();
    if (bits < 8) {
        // A packed picture: one byte per index, as an unpacked one holds them.
        std::vector<uint8_t> indices;
        for (int32_t y = 0; y < image.get_height(); ++y) {
            for (int32_t x = 0; x < image.get_width(); ++x) {
                indices.push_back(image.index_at(x, y));
            }
        }
        return indices;
    }
    size_t bytes = static_cast<size_t>(image.get_width()) * image.get_height() * ((image.get_color_depth() + 7) / 8);
    return std::vector<uint8_t>(image.pixels(), image.pixels() + bytes);
}

class BmpTest : public testing::Test {
protected:
    // Tests that switch to the Japanese texts leave English behind them.
    void TearDown() override { set_console_language(ConsoleLanguage::kEnglish); }

    // With it, load_bmp adds the picture's size and the error texts.
    bool verbose = false;

    // load_bmp on a file, every row read into memory (a colour mode to
    // come); what it printed goes to printed.
    int load_path(const std::string& path, clBitMap* image, uint32_t* flags = nullptr,
                  int32_t transparent_index = -1)
    {
        uint32_t default_flags = kDefaultOptionFlags;
        BmpInput input;
        testing::internal::CaptureStdout();
        int result = load_bmp(flags != nullptr ? flags : &default_flags, transparent_index, MODE_GREY,
                              path.c_str(), image, verbose, &input);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    int load_bytes(const std::string& bytes, clBitMap* image, uint32_t* flags = nullptr,
                   int32_t transparent_index = -1)
    {
        const std::string path = dir_.file("loaded.bmp");
        write_file(path, bytes);
        return load_path(path, image, flags, transparent_index);
    }

    int load(const bmp_writer::BmpRecipe& recipe, clBitMap* image, uint32_t* flags = nullptr,
             int32_t transparent_index = -1)
    {
        return load_bytes(bmp_writer::build(recipe), image, flags, transparent_index);
    }

    // A reader of the recipe's bytes, which the fixture keeps until the
    // next call.
    BmpReader reader_of(const bmp_writer::BmpRecipe& recipe)
    {
        bytes_ = bmp_writer::build(recipe);
        return BmpReader(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size());
    }

    TempDir dir_;
    std::string printed;

private:
    std::string bytes_;
};

#endif
