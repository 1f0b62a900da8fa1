#include "app/load_bmp.h"

#include <algorithm>
#include <cstring>

#include "console/messages.h"
#include "console/options.h"
#include "bmp/bmp_file.h"
#include "gif/gif_file.h"
#include "image/bitmap.h"

namespace {

constexpr int kTrueColorBits = 24;

// Build switch VASTRELMON_PACKED_ROWS=OFF: 1- and 4-bit pictures unpacked to
// one byte per pixel as they are read, instead of kept packed as the file
// stores them (an eighth or half of the memory) and unpacked a few rows at
// a time by the GIF writer.
#if defined(VASTRELMON_NO_PACKED_ROWS)
constexpr bool kKeepPacked = false;
#else
constexpr bool kKeepPacked = true;
#endif

// From this many pixels on, a picture's rows are left in its file for the
// coder rather than mapped.
constexpr uint64_t kBigPicturePixels = uint64_t{1} << 20;

// One catalogue message with an integer (a code or a size).
void print_with_value(MessageId id, uint32_t value)
{
    print_message(id, static_cast<int32_t>(value));
}

// With verbose, the failing object's own text follows its message as it is.
void print_details(const char* error_text, bool verbose)
{
    if (verbose) {
        print_verbatim(error_text);
    }
}

void report_read_failure(const clFile& file, bool verbose)
{
    print_with_value(MSG_BMP_READ_FAILED, file.error_code);
    print_details(file.error_text, verbose);
}

// A true-colour picture of at least this many bytes whose file holds every
// row is left there: its rows are read twice from the system's cache (for
// the palette, then as the coder needs them) instead of once into fresh
// memory, whose every page costs more than reading it again (640 x 480:
// 10.2 against 12.2 ms).
constexpr int64_t kTrueColorInFileBytes = int64_t{1} << 18;
// Build switch VASTRELMON_TRUE_COLOR_IN_FILE=OFF: every true-colour picture
// read into memory at once.
#if defined(VASTRELMON_NO_TRUE_COLOR_IN_FILE)
constexpr bool kTrueColorInFile = false;
#else
constexpr bool kTrueColorInFile = true;
#endif
// Build switch VASTRELMON_NUMBERED_COLORS=OFF: the palette's pass over the
// rows only counts colours, and the coder reads every row again to turn it
// into indices. With it, the pass also writes each pixel's colour number
// into the image, and one byte map makes them indices: the rows are read
// and looked up once. Only below the size from which the coder has a
// second thread turn the rows it reads into indices while it codes: the
// pages of the numbers would cost it more (3200 x 2400: 48.1 against 43.7
// ms; 640 x 480: 3.68 against 4.22 ms).
#if defined(VASTRELMON_NO_NUMBERED_COLORS)
constexpr bool kNumberedColors = false;
#else
constexpr bool kNumberedColors = true;
#endif
// About the bytes of rows read at a time, for the palette and for the
// coder: a share of the picture's rows between these two. A small
// picture's fresh pages for a bigger buffer would cost more than its reads
// (640 x 480, 24 bits: 8.5 ms with 32 KiB, 9.6 ms with 256 KiB), a big
// picture's reads more than the pages.
constexpr size_t kLeastChunkBytes = size_t{32} << 10;
constexpr size_t kMostChunkBytes = size_t{256} << 10;
constexpr size_t kChunksInPicture = 32;

// Rows of row_bytes each read at a time (at least one), of height rows.
int32_t chunk_rows(size_t row_bytes, int32_t height)
{
    const size_t share = static_cast<size_t>(height) * row_bytes / kChunksInPicture;
    const size_t chunk = std::min(kMostChunkBytes, std::max(kLeastChunkBytes, share));
    return static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(height), std::max<size_t>(1, chunk / row_bytes)));
}
// The coder asks for every row of a pass in turn, the rows of an interlace
// pass 2 to 8 apart. Where the rows between two of them take at most this
// many bytes, the rows from the one asked for on are read at once: copying
// the ones between costs the system less than a read of its own for each
// (640 x 480, 8 bits: about 40 reads instead of 480). Build switch
// VASTRELMON_ROW_CHUNKS=OFF: each row read on its own.
#if defined(VASTRELMON_NO_ROW_CHUNKS)
constexpr size_t kRowChunkGapBytes = 0;
#else
constexpr size_t kRowChunkGapBytes = size_t{16} << 10;
#endif

// Whether the palette's pass over a true-colour picture left in its file
// also leaves every pixel's index in the image.
bool numbered_in_palette_pass(const BmpInfo& info)
{
    return kNumberedColors && static_cast<uint64_t>(info.height) * static_cast<uint64_t>(info.width) <
                                  kBigPicturePixels;
}

// Reads every row into the image, its pages got from the system ahead.
int read_all_rows(clFile& file, const BmpInfo& info, clBitMap* image, bool packed = false)
{
    image->fill_pages_ahead();
    return file.read_pixels(&info, image->pixels(), image->get_data_size(), packed);
}

// Reads an indexed picture's table and rows. With input, a big 8-bit
// picture whose sampled rows use the whole table keeps its other rows in
// the file.
int read_indexed(clFile& file, const BmpInfo& info, bool packed, uint8_t* palette, clBitMap* image,
                 InputFile* input)
{
    if (file.read_table(&info, palette) != 0) {
        return 1;
    }
    if (input != nullptr && info.bit_count == 8 && rows_as_stored(info) &&
        file.read_rows_every(&info, image->pixels(), image->get_data_size(), clBitMap::kSampleRowStep) &&
        image->sampled_rows_fill_table()) {
        // The palette check then reads no other row. A picture the coder
        // codes on one thread copies its rows from the file's own pages
        // where the system can map them: reads of a few rows at a time would
        // copy each interlaced row up to four times (640 x 480: 1.2 MB for
        // 307 KB).
        input->info = info;
        input->rows_in_file = true;
        const uint64_t pixels = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
        input->mapped = pixels < kBigPicturePixels && file.map_rows(&info);
        if (!input->mapped) {
            input->make_room(static_cast<size_t>(info.width), info.height);
        }
        return 0;
    }
    return read_all_rows(file, info, image, packed);
}

// Whether a true-colour picture stays in its file (see
// kTrueColorInFileBytes); input then holds what reading its rows needs.
bool true_color_stays_in_file(clFile& file, const BmpInfo& info, InputFile* input)
{
    const size_t row_bytes = static_cast<size_t>(info.width) * clBitMap::kTrueColorBytes;
    // Rows of 16- or 32-bit pixels become colours as they are read, once.
    if (!kTrueColorInFile || input == nullptr || !rows_as_stored(info) ||
        static_cast<int64_t>(row_bytes) * info.height < kTrueColorInFileBytes ||
        !file.holds_every_row(&info)) {
        return false;
    }
    // A first row read where it lies: where that cannot be done (no
    // positioned reads here) the rows are read at once as usual.
    if (!input->make_room(row_bytes, info.height) || file.read_rows(&info, 0, 1, input->stored_rows.get()) != 0) {
        return false;
    }
    input->info = info;
    input->rows_in_file = true;
    // Where the palette's pass leaves every index, it reads the rows once,
    // from the file's own pages where the system can map them.
    input->mapped = numbered_in_palette_pass(info) && file.map_rows(&info);
    return true;
}

// Everything after the open: the headers, the image and its pixels.
int load_opened(clFile& file, uint32_t* option_flags, int32_t transparent_index,
                clBitMap* image, bool verbose, InputFile* input)
{
    BmpInfo info;
    if (file.read_header(&info) != 0) {
        report_read_failure(file, verbose);
        return 1;
    }
    if (verbose) {
        print_message(MSG_BMP_WIDTH, info.width);
        print_message(MSG_BMP_HEIGHT, info.height);
    }
    if (input != nullptr) {
        input->depth_read = file_bit_count(info);
    }
    // The result is not needed: a fresh image takes any depth read_header
    // lets through, and an image in another state fails at create or at the
    // buffer-size check of the row reader.
    image->set_color_depth(info.bit_count);
    // The size limits live in create, which runs before any row is read.
    const bool packed = kKeepPacked && (info.bit_count == 1 || info.bit_count == 4);
    if (image->create(info.width, info.height, packed) != 0) {
        print_with_value(MSG_ALLOCATE_FAILED, image->error_code);
        print_details(image->error_text, verbose);
        return 1;
    }
    bool transparency = option_flags != nullptr && (*option_flags & FLAG_TRANSPARENCY) != 0;
    if (info.bit_count == kTrueColorBits) {
        if (!true_color_stays_in_file(file, info, input) && read_all_rows(file, info, image) != 0) {
            report_read_failure(file, verbose);
            return 1;
        }
        if (transparency) {
            print_message(MSG_TRANSPARENCY_OFF);
            *option_flags &= ~FLAG_TRANSPARENCY;
        }
        return 0;
    }
    uint8_t palette[kPaletteBytes] = {};
    if (read_indexed(file, info, packed, palette, image, input) != 0) {
        report_read_failure(file, verbose);
        return 1;
    }
    std::memcpy(image->palette(), palette, sizeof palette);
    if (transparency && image->set_transparent_index(transparent_index) != 0) {
        print_message(MSG_BAD_TRANSPARENCY);
        print_details(image->error_text, verbose);
        return 1;
    }
    return 0;
}

}  // namespace

int load_bmp(uint32_t* option_flags, int32_t transparent_index, const char* input_name,
             clBitMap* image, bool verbose, InputFile* input)
{
    clFile own_file;
    clFile& file = input != nullptr ? input->file : own_file;
    // A fresh clFile can only fail to open because the file cannot be had.
    if (file.open(input_name) != 0) {
        print_message(MSG_INPUT_CANT_OPEN, input_name != nullptr ? input_name : "");
        print_details(file.error_text, verbose);
        return 1;
    }
    return load_opened(file, option_flags, transparent_index, image, verbose, input);
}

int finish_load(InputFile* input, clBitMap* image, bool verbose, bool row_failed)
{
    if (!input->rows_in_file) {
        return 0;
    }
    input->rows_in_file = false;
    // After a row the coder missed, the record of that read stands unless
    // this read finds a fault of its own.
    if (read_all_rows(input->file, input->info, image) != 0 || row_failed) {
        report_read_failure(input->file, verbose);
        return 1;
    }
    if (input->info.bit_count == kTrueColorBits && image->get_color_depth() <= clBitMap::kMaxIndexedDepth) {
        const size_t count = static_cast<size_t>(image->get_width()) * static_cast<size_t>(image->get_height());
        input->colors.index(image->pixels(), count, image->pixels());
    }
    return 0;
}

int palette_from_file(InputFile* input, clBitMap* image, bool verbose)
{
    const BmpInfo& info = input->info;
    const size_t width = static_cast<size_t>(info.width);
    // Each pixel's colour number lands where its index will lie.
    const bool numbered = numbered_in_palette_pass(info);
    uint8_t* const numbers = numbered ? image->pixels() : nullptr;
    for (int32_t first = 0; first < info.height;) {
        // A mapped row where it lies, or a few rows read.
        const uint8_t* stored = input->mapped ? input->file.mapped_row(&info, first) : nullptr;
        const int32_t rows = stored != nullptr ? 1 : std::min(input->rows_at_once, info.height - first);
        if (stored == nullptr) {
            if (!input->hold_rows(first, rows)) {
                input->rows_in_file = false;
                report_read_failure(input->file, verbose);
                return 1;
            }
            stored = input->stored_rows.get();
        }
        const size_t count = static_cast<size_t>(rows) * width;
        if (!(numbers != nullptr ? input->colors.add(stored, count, numbers + static_cast<size_t>(first) * width)
                                 : input->colors.add(stored, count))) {
            // Too many colours: still depth 24, and the rows are read again.
            if (input->mapped) {
                input->mapped = false;
                input->file.unmap_rows(&info);
            }
            return 0;
        }
        first += rows;
    }
    // Rows taken from a mapped file are the file's only if it still holds
    // them all.
    if (input->mapped) {
        input->mapped = false;
        if (!input->file.unmap_rows(&info)) {
            input->rows_in_file = false;
            report_read_failure(input->file, verbose);
            return 1;
        }
    }
    if (image->take_palette(&input->colors) != 0) {
        return 1;
    }
    if (numbers != nullptr) {
        input->colors.number_to_index(numbers, static_cast<size_t>(info.height) * width);
        input->rows_in_file = false;  // the image holds every index
    }
    return 0;
}

bool InputFile::read_row(int32_t row, uint8_t* out)
{
    // A mapped row where it lies, else a few rows read, else this one.
    const uint8_t* stored = mapped ? file.mapped_row(&info, row) : nullptr;
    if (stored == nullptr && rows_at_once != 0) {
        stored = stored_row(row);
        if (stored == nullptr) {
            return false;
        }
    }
    const size_t width = static_cast<size_t>(info.width);
    if (stored == nullptr) {
        if (file.read_row(&info, row, out) != 0) {
            return false;
        }
    } else if (info.bit_count == kTrueColorBits) {
        colors.index(stored, width, out);
    } else {
        std::memcpy(out, stored, width);
    }
    // Rows taken from a mapped file are the file's only if it still holds
    // them all once the coder has taken the last.
    if (mapped && ++rows_taken_ == info.height) {
        mapped = false;
        return file.unmap_rows(&info);
    }
    return true;
}

bool InputFile::make_room(size_t row_bytes, int32_t height)
{
    rows_at_once = chunk_rows(row_bytes, height);
    stored_rows = allocate_buffer<uint8_t>(static_cast<size_t>(rows_at_once) * row_bytes, false);
    if (!stored_rows) {
        rows_at_once = 0;
        return false;
    }
    row_bytes_ = row_bytes;
    return true;
}

bool InputFile::hold_rows(int32_t first, int32_t count)
{
    held_count_ = 0;
    if (file.read_rows(&info, first, count, stored_rows.get()) != 0) {
        return false;
    }
    held_first_ = first;
    held_count_ = count;
    return true;
}

const uint8_t* InputFile::stored_row(int32_t row)
{
    const int32_t gap = row - last_asked_;
    last_asked_ = row;
    if (row < held_first_ || row >= held_first_ + held_count_) {
        // The rows from this one on, where the next few the coder asks for
        // lie among them: one read then brings them all.
        const bool near = gap > 0 && static_cast<size_t>(gap) * row_bytes_ <= kRowChunkGapBytes;
        if (!hold_rows(row, near ? std::min(rows_at_once, info.height - row) : 1)) {
            return nullptr;
        }
    }
    return stored_rows.get() + static_cast<size_t>(row - held_first_) * row_bytes_;
}

int load_bmp_from_memory(uint32_t* option_flags, int32_t transparent_index,
                         const uint8_t* data, size_t size, clBitMap* image, bool verbose)
{
    clFile file;
    file.open_memory(data, size);  // a fresh clFile always takes the bytes
    return load_opened(file, option_flags, transparent_index, image, verbose, nullptr);
}
