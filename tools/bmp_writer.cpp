#include "tools/bmp_writer.h"

#include <algorithm>
#include <fstream>

namespace bmp_writer {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kFileSizeAt = 2;

void put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

uint64_t row_count(int32_t height)
{
    return height < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(height))
                      : static_cast<uint64_t>(height);
}

std::string pixel_area(const BmpRecipe& recipe);

std::string picture_header(const BmpRecipe& recipe)
{
    std::string header;
    put32(header, recipe.header_size_field.value_or(recipe.header_size));
    if (recipe.header_size == kCoreHeader) {
        put16(header, static_cast<uint32_t>(recipe.width));
        put16(header, static_cast<uint32_t>(recipe.height));
        put16(header, recipe.planes);
        put16(header, recipe.bit_count);
        return header;
    }
    put32(header, static_cast<uint32_t>(recipe.width));
    put32(header, static_cast<uint32_t>(recipe.height));
    put16(header, recipe.planes);
    put16(header, recipe.bit_count);
    put32(header, recipe.compression);
    uint64_t image_bytes = recipe.run_length ? pixel_area(recipe).size()
                                             : stride(recipe.width, recipe.bit_count) * row_count(recipe.height);
    put32(header, recipe.image_size.value_or(static_cast<uint32_t>(image_bytes)));
    put32(header, static_cast<uint32_t>(recipe.x_resolution));
    put32(header, static_cast<uint32_t>(recipe.y_resolution));
    put32(header, recipe.colors_used);
    put32(header, recipe.colors_important);
    if (recipe.header_size > kInfoHeader) {
        header.resize(kInfoHeader, '\0');
        for (uint32_t mask : recipe.masks) {
            put32(header, mask);
        }
        header.resize(recipe.header_size, '\0');
        return header;
    }
    header.resize(recipe.header_size, '\0');
    for (uint32_t mask : recipe.masks) {
        put32(header, mask);
    }
    return header;
}

std::string color_table(const BmpRecipe& recipe)
{
    std::string table;
    for (const Rgb& entry : recipe.palette) {
        table += static_cast<char>(entry.blue);
        table += static_cast<char>(entry.green);
        table += static_cast<char>(entry.red);
        if (recipe.header_size != kCoreHeader) {
            table += '\0';
        }
    }
    return table;
}

// One stored row: bit-packed most significant bit first for counts that are
// not whole bytes, little-endian bytes otherwise; then zero padding.
std::string packed_row(const BmpRecipe& recipe, uint64_t top_row)
{
    const int bits = recipe.bit_count;
    std::string row(stride(recipe.width, bits), '\0');
    for (int64_t x = 0; x < recipe.width; ++x) {
        uint64_t index = top_row * static_cast<uint64_t>(recipe.width) + static_cast<uint64_t>(x);
        uint32_t value = index < recipe.pixels.size() ? recipe.pixels[index] : 0;
        if (bits % 8 != 0) {
            for (int bit = 0; bit < bits; ++bit) {
                int shift = bits - 1 - bit;  // values hold 32 bits; higher ones are 0
                if (shift >= 32 || ((value >> shift) & 1) == 0) {
                    continue;
                }
                uint64_t position = static_cast<uint64_t>(x) * bits + bit;
                char& byte = row[position / 8];
                byte = static_cast<char>(byte | (0x80 >> (position % 8)));
            }
        } else {
            for (int byte = 0; byte < bits / 8 && byte < 4; ++byte) {
                row[static_cast<size_t>(x) * (bits / 8) + byte] =
                    static_cast<char>((value >> (8 * byte)) & 0xFF);
            }
        }
    }
    return row;
}

std::string pixel_area(const BmpRecipe& recipe)
{
    if (recipe.raw_pixels) {
        return *recipe.raw_pixels;
    }
    if (recipe.run_length) {
        return run_length_codes(recipe, *recipe.run_length);
    }
    std::string area;
    const uint64_t rows = row_count(recipe.height);
    for (uint64_t stored = 0; stored < rows; ++stored) {
        area += packed_row(recipe, recipe.height < 0 ? stored : rows - 1 - stored);
    }
    return area;
}

// Codes one stored row's values (already cut or padded to the pixels to
// code) as runs.
void code_row(const std::vector<uint32_t>& row, int bits, const RunLengthCoding& coding, std::string& out)
{
    const size_t longest = static_cast<size_t>(std::max(1, std::min(255, coding.longest_run)));
    const auto index = [&](size_t x) { return static_cast<uint8_t>(row[x] & (bits == 8 ? 0xFF : 0x0F)); };
    size_t x = 0;
    while (x < row.size()) {
        if (coding.skip_zeros && index(x) == 0) {
            size_t zeros = 1;
            while (x + zeros < row.size() && index(x + zeros) == 0 && zeros < 255) {
                ++zeros;
            }
            if (zeros >= 3 && x + zeros < row.size()) {
                out += '\0';
                out += '\2';
                out += static_cast<char>(zeros);
                out += '\0';
                x += zeros;
                continue;
            }
        }
        size_t same = 1;
        while (x + same < row.size() && index(x + same) == index(x) && same < longest) {
            ++same;
        }
        if (same >= 3 || !coding.absolute) {
            out += static_cast<char>(same);
            out += static_cast<char>(bits == 8 ? index(x) : index(x) * 0x11);
            x += same;
            continue;
        }
        // Differing pixels up to the next stretch of three alike.
        size_t count = 0;
        while (x + count < row.size() && count < longest &&
               !(x + count + 2 < row.size() && index(x + count) == index(x + count + 1) &&
                 index(x + count) == index(x + count + 2))) {
            ++count;
        }
        if (count < 3) {
            // Too short for an absolute run: runs of one pixel.
            for (size_t i = 0; i < std::max<size_t>(count, 1); ++i) {
                out += '\1';
                out += static_cast<char>(bits == 8 ? index(x) : index(x) << 4);
                ++x;
            }
            continue;
        }
        out += '\0';
        out += static_cast<char>(count);
        std::string literal;
        for (size_t i = 0; i < count; ++i) {
            if (bits == 8) {
                literal += static_cast<char>(index(x + i));
            } else if (i % 2 == 0) {
                literal += static_cast<char>(index(x + i) << 4);
            } else {
                literal.back() = static_cast<char>(literal.back() | index(x + i));
            }
        }
        if (literal.size() % 2 != 0) {
            literal += '\0';  // to a 16-bit boundary
        }
        out += literal;
        x += count;
    }
}

}  // namespace

std::string run_length_codes(const BmpRecipe& recipe, const RunLengthCoding& coding)
{
    const int bits = recipe.bit_count;
    const uint64_t rows = row_count(recipe.height);
    const size_t width = recipe.width > 0 ? static_cast<size_t>(recipe.width) : 0;
    // With pad_last_run, a row codes the pixels of its whole stride, the
    // padding as more of its last pixel, so that its last run covers it.
    const size_t coded = coding.pad_last_run ? stride(recipe.width, bits) * 8 / static_cast<size_t>(bits) : width;
    std::string out;
    uint64_t zero_rows = 0;  // whole rows of index 0 not yet skipped
    for (uint64_t stored = 0; stored < rows; ++stored) {
        const uint64_t top_row = recipe.height < 0 ? stored : rows - 1 - stored;
        std::vector<uint32_t> row(coded, 0);
        for (size_t x = 0; x < width; ++x) {
            const uint64_t at = top_row * width + x;
            row[x] = at < recipe.pixels.size() ? recipe.pixels[at] : 0;
        }
        for (size_t x = width; x < coded && width > 0; ++x) {
            row[x] = row[width - 1];
        }
        size_t used = row.size();
        // The last row's zeros are left to the end of bitmap, if there is one.
        if (coding.skip_zeros && (coding.end_of_bitmap || stored + 1 < rows)) {
            while (used > 0 && (row[used - 1] & (bits == 8 ? 0xFF : 0x0F)) == 0) {
                --used;
            }
            if (used == 0 && stored + 1 < rows) {
                ++zero_rows;
                continue;
            }
            row.resize(used);
        }
        for (; zero_rows > 0; zero_rows -= std::min<uint64_t>(zero_rows, 255)) {
            out += std::string("\0\2\0", 3);
            out += static_cast<char>(std::min<uint64_t>(zero_rows, 255));
        }
        code_row(row, bits, coding, out);
        if (stored + 1 < rows) {
            out += std::string("\0\0", 2);  // end of line
        }
    }
    if (coding.end_of_bitmap) {
        out += std::string("\0\1", 2);
    }
    return out;
}

size_t stride(int32_t width, int bit_count)
{
    if (width <= 0) {
        return 0;
    }
    return (static_cast<size_t>(width) * static_cast<size_t>(bit_count) + 31) / 32 * 4;
}

std::string build(const BmpRecipe& recipe)
{
    const std::string header = picture_header(recipe);
    const std::string table = color_table(recipe);
    std::string file = recipe.signature;
    file.resize(2, '\0');
    put32(file, 0);  // the file size, filled in below
    put16(file, recipe.reserved1);
    put16(file, recipe.reserved2);
    put32(file, recipe.pixel_offset.value_or(
                    static_cast<uint32_t>(kFileHeaderBytes + header.size() + table.size())));
    file += header;
    file += table;
    file += pixel_area(recipe);
    file += recipe.trailing;
    if (recipe.truncate_to && *recipe.truncate_to < file.size()) {
        file.resize(*recipe.truncate_to);
    }
    std::string size_field;
    put32(size_field, recipe.file_size.value_or(static_cast<uint32_t>(file.size())));
    for (size_t i = 0; i < size_field.size() && kFileSizeAt + i < file.size(); ++i) {
        file[kFileSizeAt + i] = size_field[i];
    }
    return file;
}

bool write(const std::string& path, const BmpRecipe& recipe)
{
    const std::string bytes = build(recipe);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace bmp_writer
