// clGIFFile: turns one indexed picture into one single-image GIF89a file.
//
// Call sequence (each setter refuses what its checks name):
//   [use_helpers] -> create -> [set_comment] -> set_color_depth
//   -> [set_transparency] -> [set_interlace] -> set_palette
//   -> lzw_on|lzw_off -> biggest_on|biggest_off -> [set_progress]
//   -> set_graphics (codes the pixels at once) -> open_file
//   -> write_gif -> close_file
// open_file may also come before set_graphics (after set_palette and the
// settings that shape the stream's first blocks): a big picture's coded
// data then goes to the file while it is coded.
// Every fallible operation returns 0 or 1 and on failure fills error_code and
// error_text, changing nothing else unless its comment says so. The encoder
// prints nothing; it owns its buffers, its comment and its open file.
#ifndef VASTRELMON_GIF_GIF_FILE_H
#define VASTRELMON_GIF_GIF_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gif/gif_settings.h"
#include "gif/stream_blocks.h"
#include "platform/byte_sink.h"
#include "platform/error_record.h"
#include "platform/malloc_buffer.h"
#include "platform/pending_output.h"
#include "platform/write_behind.h"

// Whether the image data can go to the file in one call with the same
// failure texts as sub-block by sub-block: where the C library's stream
// buffer is known (glibc) and the build does not switch it off.
#if defined(__GLIBC__) && !defined(VASTRELMON_NO_LARGE_WRITES)
#define VASTRELMON_LARGE_WRITES_BUILT 1
#endif

// Error codes of the encoder.
constexpr uint32_t kGifAlreadyCreated = 0x3F0001;
constexpr uint32_t kGifNotCreated = 0x3F0003;
constexpr uint32_t kGifIllegal = 0x3F0004;
constexpr uint32_t kGifOutOfRange = 0x3F0006;
constexpr uint32_t kGifNoMemory = 0x3F0007;
constexpr uint32_t kGifFileOpen = 0x3F0008;
constexpr uint32_t kGifFileNotOpen = 0x3F0009;
constexpr uint32_t kGifWriteError = 0x3F000A;

constexpr int32_t kMaxGifDimension = 65535;
constexpr int kGifMinDepth = 1;
constexpr int kGifMaxDepth = 8;

class GifOrderWindow;

class clGIFFile {
public:
    clGIFFile();
    // Releases the buffers, closes a file still open (outcome ignored) and
    // frees the comment.
    ~clGIFFile();
    clGIFFile(const clGIFFile&) = delete;
    clGIFFile& operator=(const clGIFFile&) = delete;

    // Which speed helpers the encoder may use (the side_thread, helper and
    // large_writes fields of settings); all by default. Only the timing
    // changes. Before create.
    void use_helpers(const GifSettings& settings);
    // Frees the coded buffer, puts the blocks back to their new
    // state and forgets every setting; the comment and the file stay.
    void release();

    // Once; 0..65535 each. Sets the size of the pixel area, which stays the
    // caller's (see set_graphics). Errors 0x3F0001 (86), 0x3F0006 (94),
    // 0x3F0007 (108: a size the machine cannot count).
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
    bool file_open() const { return output_file != nullptr; }

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
    // Coder choice, read by set_graphics; they cannot fail.
    void lzw_on();
    void lzw_off();
    void biggest_on();
    void biggest_off();
    // Where the LZW coder reports its progress; nowhere by default. Without
    // a callback a big picture may be coded on two threads.
    void set_progress(GifProgress callback, void* context);

    // Takes width x height indices (rows top first) and codes them in GIF
    // row order with the coder chosen, reading them where they are; they
    // (and rows) must stay as they are until write_gif, which codes them
    // again after a failed write of data written while it was coded. stored_bits 8: one byte per index; 1 or 4:
    // rows packed as a BMP stores them, without padding (see row_order.h),
    // unpacked a few rows at a time. Errors 0x3F0003 (396),
    // 0x3F0001 (403), 0x3F0006 (410), 0x3F0004 (470: a pixel not below 2^D or
    // no pixels at all), 0x3F0007 (478) and those of the coders:
    // 0x3F0007 (1299: no LZW table), 0x3F0004 (1336 LZW, 1166 uncompressed:
    // coded area full). A failed pixel check allows a new call; a failed
    // coder leaves the coded area, so every later call is refused.
    // With rows, the LZW coder of an 8-bit picture takes the rows from
    // there as it needs them and pixels is not read; when a row cannot be
    // had the call fails with 0x3F0004 (470). Other coders and depths refuse
    // rows the same way.
    int set_graphics(const uint8_t* pixels, int stored_bits = 8, GifRowSource* rows = nullptr);
    // Whether the last set_graphics failed because its source gave no row,
    // or because the progress callback asked to stop.
    bool rows_missing() const { return rows_missing_; }
    bool cancelled() const { return cancelled_; }
    // The coded image data of a successful set_graphics (none before), as
    // the file stores it: data sub-blocks, each after its length byte, and
    // the empty sub-block that ends them (without the code size byte). Of
    // data written while it was coded, only the last part may still be
    // here (see set_graphics.cpp).
    const uint8_t* coded_data() const { return coded_buffer_.get(); }
    size_t coded_size() const { return coded_length_; }
    // How many bytes of the coded data went to the file while they were
    // coded (the file open before set_graphics); write_gif writes the rest.
    size_t written_while_coding() const { return written_ahead_; }

    // Needs the file open and size, depth, area, pixels and palette set;
    // writes the whole stream. Errors 0x3F0009 (652), 0x3F0003 (659),
    // 0x3F0004 (666..694) and the write errors 0x3F000A of the blocks.
    int write_gif();
    // The same stream to sink instead of a file (none need be open), with
    // the same checks and errors; a sink that refuses bytes is a failed
    // write (0x3F000A).
    int write_gif(ByteSink* sink);

    // Pictures of at least this many pixels have their rows gathered into
    // GIF order on a second thread, and their coded data goes to a file
    // opened before set_graphics while it is coded.
    static constexpr uint64_t kSideThreadPixels = uint64_t{1} << 20;
    // Pictures of at most this many pixels are coded with LZW through a
    // small hashed string table (unless built without it).
    static constexpr uint64_t kCompactTablePixels = uint64_t{1} << 14;

    uint32_t error_code;
    char error_text[kErrorTextSize];

private:
    // Bits of state_flags_.
    static constexpr uint32_t kSizeSet = 0x00001;
    static constexpr uint32_t kColorDepthSet = 0x00002;
    static constexpr uint32_t kAreaAllocated = 0x00004;
    static constexpr uint32_t kGrpDataSet = 0x00008;
    static constexpr uint32_t kPaletteSet = 0x00010;
    static constexpr uint32_t kCommentSet = 0x00020;
    static constexpr uint32_t kTransparencySet = 0x01000;
    static constexpr uint32_t kLzwMode = 0x04000;
    static constexpr uint32_t kInterlaceMode = 0x08000;
    static constexpr uint32_t kBiggestMode = 0x10000;

    // Puts the block images and the picture fields back to their new values.
    void init_blocks();

    // The coders, run by set_graphics on checked pixels and an allocated
    // coded area; they set coded_length_.
    int encode_lzw(GifOrderWindow* pixels);
    // A packed picture's rows are unpacked into row_buffer (width bytes).
    int encode_uncompressed(const uint8_t* pixels, int stored_bits, uint8_t* row_buffer);
    // Takes the coded area of capacity bytes; false when it cannot be had.
    bool allocate_coded(size_t capacity);
    // The pixels of set_graphics coded into a new coded area: see there.
    int code_pixels(uint64_t capacity, bool behind, size_t ring, uint8_t* row_buffer);
    // Whether the coded area holds the whole coded data: not only the last
    // part of it, as a ring may.
    bool coded_whole() const { return coded_ring_ == 0 || coded_length_ <= coded_ring_; }

    // The block writers, for write_gif only. Errors 0x3F0009 / 0x3F000A.
    int write_header();
    int write_color_table();
    int write_comment(const char* text);
    int write_graphic_control();
    int write_image_descriptor();
    // The first ahead bytes of the coded area are in the file already.
    int write_image_data(size_t ahead);
    int write_trailer();
    // Writes length bytes as data sub-blocks; a short write is recorded with
    // short_write.
    int write_sub_blocks(const uint8_t* data, size_t length, const ErrorEntry& short_write);
    // Writes data already framed as sub-blocks (length bytes included, the
    // empty one at the end too); a short write is recorded as above.
    int write_framed(const uint8_t* framed, size_t length, const ErrorEntry& short_write);
    int write_framed_at_once(const uint8_t* framed, size_t length, const ErrorEntry& short_write);
    // The blocks in file order, the first ahead bytes of the coded area
    // being in the file already (written while the pixels were coded).
    int write_stream(size_t ahead);
    // Where the image data's first sub-block starts in the file.
    int64_t image_data_offset() const;
    // Writes one block image; a short write is recorded with short_write.
    int write_block(const void* block, size_t size, const ErrorEntry& short_write);
    // The checks every write_gif makes before the stream's first byte.
    int check_settings();
    // Whether the stream has somewhere to go: a file or a sink.
    bool has_output() const { return output_file != nullptr || sink_ != nullptr; }
    // count items of size bytes to the sink of write_gif or else the file;
    // the items written whole.
    size_t put(const void* data, size_t size, size_t count);

    StreamBlocks blocks_;
    uint32_t state_flags_;
    MallocBuffer<uint8_t> coded_buffer_;  // coded image data, framed in sub-blocks
    MallocBuffer<char> comment_text_;     // NUL-terminated comment
    int32_t width_;
    int32_t height_;
    int32_t color_depth_;
    int32_t transparent_index_;
    size_t coded_length_;    // bytes of coded_buffer_ in use, framing included
    size_t coded_capacity_;  // data bytes (framing not counted) the coders may store
    std::FILE* output_file;  // owned while open
    PendingOutput output_target;  // names output_file in close_file

    // Sends the coded area's final bytes to an open file while it fills;
    // finished before set_graphics returns.
    WriteBehind coded_file_;
    size_t written_ahead_ = 0;  // bytes of the coded area in the file already
    bool written_behind_ = false;  // the file may hold bytes written ahead
    bool rows_missing_ = false;    // the row source of set_graphics failed
    bool cancelled_ = false;       // the progress callback stopped set_graphics
    ByteSink* sink_ = nullptr;     // where write_gif(sink) writes, while it runs
    // The pixels of set_graphics, for coding them again after a ring's
    // data was lost; the caller's until write_gif is done.
    const uint8_t* source_pixels_ = nullptr;
    int source_bits_ = 8;
    GifRowSource* source_rows_ = nullptr;
    size_t coded_ring_ = 0;   // coded_buffer_ is a ring of this size; 0: it is not
    bool ring_lost_ = false;  // the LZW coder stopped: the ring's data could not go to the file
    size_t ring_setting_ = GifSettings::kDefaultCodedRing;
    bool write_behind_ = true;
    bool rows_ahead_ = true;
    bool large_writes_ = true;
    GifProgress progress_ = nullptr;
    void* progress_context_ = nullptr;
};

#endif
