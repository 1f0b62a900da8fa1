// clGIFFile: turns one indexed picture into one single-image GIF89a file.
//
// The fixed blocks of the stream are kept as ready byte images that the
// setters fill in; the stream writer copies them out verbatim and adds the
// comment and the coded image data as data sub-blocks.
//
// Call sequence (each setter refuses what its checks name):
//   create -> [set_comment] -> set_color_depth -> [set_transparency]
//   -> [set_interlace] -> set_palette -> lzw_on|lzw_off -> biggest_on|biggest_off
//   -> set_graphics (reorders and codes the pixels at once) -> open_file
//   -> write_gif -> close_file
// Every fallible operation returns 0 or 1 and on failure fills error_code and
// error_text, changing nothing else unless its comment says so.
#ifndef VASTRELMON_GIF_GIF_FILE_H
#define VASTRELMON_GIF_GIF_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/error_record.h"
#include "platform/page_filler.h"
#include "platform/pending_output.h"

class RowCopier;

// Error codes of the encoder.
constexpr uint32_t kGifAlreadyCreated = 0x3F0001;
constexpr uint32_t kGifNotCreated = 0x3F0003;
constexpr uint32_t kGifIllegal = 0x3F0004;
constexpr uint32_t kGifOutOfRange = 0x3F0006;
constexpr uint32_t kGifNoMemory = 0x3F0007;
constexpr uint32_t kGifFileOpen = 0x3F0008;
constexpr uint32_t kGifFileNotOpen = 0x3F0009;
constexpr uint32_t kGifWriteError = 0x3F000A;

// Block image sizes, as they appear in the file.
constexpr int kHeaderBlockSize = 13;
constexpr int kGifColorTableBytes = 256 * 3;
constexpr int kImageDescriptorSize = 10;
constexpr int kGraphicControlSize = 8;
constexpr int kCommentIntroducerSize = 2;
constexpr int kPlainTextBlockSize = 15;
constexpr int kApplicationBlockSize = 14;

// Offsets of the fields the setters fill in.
constexpr int kScreenWidthOffset = 6;
constexpr int kScreenHeightOffset = 8;
constexpr int kScreenFlagsOffset = 10;
constexpr int kImageLeftOffset = 1;
constexpr int kImageTopOffset = 3;
constexpr int kImageWidthOffset = 5;
constexpr int kImageHeightOffset = 7;
constexpr int kImageFlagsOffset = 9;
constexpr int kGceFlagsOffset = 3;
constexpr int kTransparentByteOffset = 6;

// Bits of the packed fields.
constexpr uint8_t kGlobalTablePresent = 0x80;
constexpr uint8_t kColorResolutionMask = 0x70;
constexpr int kColorResolutionShift = 4;
constexpr uint8_t kTableSizeMask = 0x07;
constexpr uint8_t kInterlacedImage = 0x40;
constexpr uint8_t kTransparentGiven = 0x01;

constexpr int32_t kMaxGifDimension = 65535;
constexpr int kGifMinDepth = 1;
constexpr int kGifMaxDepth = 8;

class clGIFFile {
public:
    // Bits of state_flags.
    static constexpr uint32_t SIZE_SET = 0x00001;
    static constexpr uint32_t COLOR_DEPTH_SET = 0x00002;
    static constexpr uint32_t AREA_ALLOCATED = 0x00004;
    static constexpr uint32_t GRP_DATA_SET = 0x00008;
    static constexpr uint32_t PALETTE_SET = 0x00010;
    static constexpr uint32_t COMMENT_SET = 0x00020;
    static constexpr uint32_t TRANSPARENCY_SET = 0x01000;
    static constexpr uint32_t LZW_MODE = 0x04000;
    static constexpr uint32_t INTERLACE_MODE = 0x08000;
    static constexpr uint32_t BIGGEST_MODE = 0x10000;

    clGIFFile();
    // Releases the buffers, closes a file still open (outcome ignored) and
    // frees the comment.
    ~clGIFFile();
    clGIFFile(const clGIFFile&) = delete;
    clGIFFile& operator=(const clGIFFile&) = delete;

    // Puts every block image and the int32 fields back to their new values.
    void init_blocks();
    // Frees the pixel and coded buffers, re-initialises the blocks and clears
    // state_flags; the comment and the file stay. Always 0.
    int release();

    // Once; 0..65535 each. Allocates the zero-filled pixel area.
    // Errors 0x3F0001 (86), 0x3F0006 (94), 0x3F0007 (108: the size stays).
    int create(int32_t new_width, int32_t new_height);
    // Starts the file for path, which gets that name only in close_file;
    // never touches anything that exists under it.
    // Errors 0x3F0008 (152), 0x3F0009 (161).
    int open_file(const char* path, const OutputOptions& options = OutputOptions());
    // Flushes, syncs and closes the file open and gives it its name. A
    // failed flush, sync, close or naming is 0x3F000A (171); a name that
    // came to exist meanwhile is 0x3F0001 (176) and output_name_taken().
    // Either way no file is left. Destroying the object instead of calling
    // close_file abandons the file.
    int close_file();
    bool output_name_taken() const { return output_target.name_taken(); }

    // Once, 1..8. Errors 0x3F0006 (229, 236).
    int set_color_depth(int32_t depth);
    // Once, after the depth; 0..2^D-1. Errors 0x3F0006 (279, 286, 294).
    int set_transparency(int32_t index);
    // Once, after the depth; copies 2^D red, green, blue entries.
    // Errors 0x3F0006 (507, 514).
    int set_palette(const uint8_t* entries);
    // Before set_graphics. Error 0x3F0004 (569).
    int set_interlace();
    // Mode 1 stores length bytes of text, mode 0 removes the comment.
    // Errors 0x3F0006 (607), 0x3F0007 (627: the comment is then gone).
    int set_comment(int32_t mode, int32_t length, const char* text);
    // Coder choice, read by set_graphics. Always 0.
    int lzw_on();
    int lzw_off();
    int biggest_on();
    int biggest_off();

    // Takes width x height indices (rows top first), puts them in GIF row
    // order and codes them with the coder chosen. Errors 0x3F0003 (396),
    // 0x3F0001 (403), 0x3F0006 (410), 0x3F0004 (470: a pixel not below 2^D or
    // no pixels at all), 0x3F0007 (478) and those of the coders. A failed
    // pixel check leaves the copied pixels and allows a new call; a failed
    // coder leaves the coded area, so every later call is refused.
    int set_graphics(const uint8_t* pixels);
    // The coders, run by set_graphics on a filled pixel_buffer and an
    // allocated coded_buffer; they set coded_length.
    // encode_lzw errors: 0x3F0007 (1299), 0x3F0004 (1336: area full).
    // encode_uncompressed error: 0x3F0004 (1166: area full).
    int encode_lzw();
    int encode_uncompressed();
    // Pictures of at least this many pixels are coded with LZW on two
    // threads when no progress line is shown: one finds the strings, the
    // other packs their codes, and the rows are copied into GIF order on
    // the second one while the first already codes them.
    static constexpr uint64_t kSideThreadPixels = uint64_t{1} << 20;
    // The LZW coder tells callback the share of pixels coded, in percent
    // (steps of 2), whenever it changes, and kProgressFinished once it is
    // done. Without a callback a big picture may be coded on two threads.
    using ProgressCallback = void (*)(void* context, int32_t percent);
    static constexpr int32_t kProgressFinished = -1;
    void set_progress(ProgressCallback callback, void* context)
    {
        progress_ = callback;
        progress_context_ = context;
    }
    bool shows_progress() const { return progress_ != nullptr; }
    void report_progress(int32_t percent) const
    {
        if (progress_ != nullptr) {
            progress_(progress_context_, percent);
        }
    }
    // Tells the page filler of coded_buffer how far the coders have come.
    void coded_so_far(size_t bytes) { coded_pages_.reached(bytes); }

    // Needs the file open and size, depth, area, pixels and palette set;
    // writes the whole stream. Errors 0x3F0009 (652), 0x3F0003 (659),
    // 0x3F0004 (666..694) and those of the block writers.
    int write_gif();
    // The block writers, for write_gif only. Errors 0x3F0009 / 0x3F000A.
    int write_header();
    int write_color_table();
    int write_comment(const char* text);
    int write_graphic_control();
    int write_image_descriptor();
    int write_image_data();
    int write_trailer();

    uint32_t error_code;
    char error_text[kErrorTextSize];
    uint8_t header_block[kHeaderBlockSize];
    uint8_t global_color_table[kGifColorTableBytes];
    uint8_t image_descriptor[kImageDescriptorSize];
    uint8_t reserved_byte;
    uint8_t graphic_control_block[kGraphicControlSize];
    uint8_t comment_introducer[kCommentIntroducerSize];
    uint8_t plain_text_block[kPlainTextBlockSize];     // never written
    uint8_t application_block[kApplicationBlockSize];  // never written
    uint8_t trailer_byte;
    uint32_t state_flags;
    uint8_t* pixel_buffer;  // malloc'ed, owned
    uint8_t* coded_buffer;  // malloc'ed, owned
    char* comment_text;     // malloc'ed, owned
    int32_t width;
    int32_t height;
    int32_t color_depth;
    int32_t transparent_index;
    int32_t reserved_word;
    int64_t coded_length;     // bytes of coded_buffer in use
    size_t coded_capacity;    // bytes of coded_buffer the coders may fill
    std::FILE* output_file;   // owned while open
    PendingOutput output_target;  // names output_file in close_file

private:
    // encode_lzw for pixels that feed is still copying into pixel_buffer:
    // 0, 1 with the error set, or kMisfitPixels when a copied pixel does not
    // fit the depth (no error set; the coding is of no use).
    static constexpr int kMisfitPixels = 2;
    int encode_lzw_fed(RowCopier* feed);
    // set_graphics with the copy on a second thread; false when that cannot
    // be set up, and then nothing has changed.
    bool set_graphics_beside(const uint8_t* pixels, size_t capacity, int* status);

    // Get the pages of pixel_buffer and coded_buffer ready while they are
    // being filled; stopped before the buffers are freed.
    PageFiller pixel_pages_;
    PageFiller coded_pages_;
    // Bits that every value in pixel_buffer fits: color_depth once
    // set_graphics has checked them, otherwise 8. The LZW table is sized by it.
    int32_t pixel_bits_;
    ProgressCallback progress_ = nullptr;
    void* progress_context_ = nullptr;

    // Writes length bytes as data sub-blocks; a short write is recorded with
    // short_write.
    int write_sub_blocks(const uint8_t* data, size_t length, const ErrorEntry& short_write);
    // Writes one block image; a short write is recorded with short_write.
    int write_block(const void* block, size_t size, const ErrorEntry& short_write);
};

// Entries of the colour table as it is declared and written: depth 1 is
// declared as a four-entry table.
int color_table_entries(int32_t depth);
// The LZW minimum code size for a depth: 2 for depth 1, the depth otherwise.
int min_code_size(int32_t depth);

#endif
