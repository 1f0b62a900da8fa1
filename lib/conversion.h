// One conversion: a BMP in memory (the library's caller's, or a file's
// bytes) or a caller's pixels, through the colour rules, to a GIF in memory
// or in a file. The program runs the same steps and prints what the library
// leaves in a vastrelmon_result. Private to lib/ and app/.
#ifndef VASTRELMON_LIB_CONVERSION_H
#define VASTRELMON_LIB_CONVERSION_H

#include <cstddef>
#include <cstdint>

#include "bmp/bmp_file.h"
#include "console/messages.h"
#include "gif/gif_settings.h"
#include "image/true_color_palette.h"
#include "lib/failure.h"
#include "platform/error_record.h"
#include "platform/malloc_buffer.h"
#include "vastrelmon.h"

class clBitMap;
class ByteSink;

namespace conversion {

// The caller's options, checked.
struct Choices {
    bool interlace = true;
    bool transparency = false;  // whether transparent applies (the image refuses an index out of range)
    int32_t transparent = -1;
    bool compress = true;
    bool widest_codes = false;
    int32_t color_mode = 0;
    vastrelmon_progress progress = nullptr;
    void* progress_context = nullptr;
    // The caller's coder can take an indexed picture's rows, or a
    // true-colour one's indices, from Rows as it comes to them (the
    // program's LZW coder).
    bool rows_for_coder = false;
};

// Fills result (may be null) with failure.
vastrelmon_status report(vastrelmon_result* result, const Failure& failure);

// A loaded picture's rows that stay in the BMP's bytes, which must then
// outlive it: a true-colour picture's (its palette is built from there),
// and for Choices::rows_for_coder a run-length coded or big 8-bit one's.
// The coder may read them from here, a true-colour row turned into
// indices, an indexed one drawn or copied through the compacted table, on
// its way.
class Rows : public GifRowSource {
public:
    bool read_row(int32_t row, uint8_t* out) override;
    // Whether a row is more than a copy: worth reading ahead.
    bool cost_work() const { return info.bit_count > 8 || starts != nullptr || remap; }

    BmpReader reader{nullptr, 0};
    BmpInfo info = {};  // width 0 until the header is read
    bool left = false;  // the image lacks the rows that lie here
    bool for_coder = false;
    TrueColorPalette colors;  // of a true-colour picture left here
    MallocBuffer<uint8_t> colour_row;  // a 16- or 32-bit row as blue, green, red
    // Of indexed rows: the indices they hold, each index's place in the
    // compacted table (none moves until make_palette), and whether that
    // moves any; where run-length coded rows start.
    bool used[kPaletteEntries] = {};
    uint8_t map[kPaletteEntries] = {};
    bool remap = false;
    MallocBuffer<run_length::RowStart> starts;
};

// Applies colour mode (the program's MODE_ values; MODE_NONE does nothing)
// to image: 0, 1 after the image's failure, or -1 for a value that names
// no mode. The program's convert stage runs the same step.
int apply_color_mode(int32_t mode, clBitMap* image);

// Reads options (null: the defaults) into choices; a failure for a value
// that names no choice, with result filled.
vastrelmon_status take_options(const vastrelmon_options* options, Choices* choices, vastrelmon_result* result);

// Fills result (may be null) for a failure the program has no message for.
vastrelmon_status refuse(vastrelmon_result* result, vastrelmon_status status, const char* why);

// The BMP file could not be opened (FileView::kCantOpen), or its bytes
// could not be had (FileView::kNoMemory).
void open_failure(int opened, const char* path, Failure* failure);
// A cut in the rows of a file that lost its bytes after size.
void cut_failure(Rows* rows, size_t size, Failure* failure);

// The GIF's name is taken already (the program's message 17).
vastrelmon_status report_exists(const char* path, vastrelmon_result* result);

// Loads the BMP of size bytes at bmp into image (which must be empty);
// rows keeps its header and any rows left in the bytes.
vastrelmon_status load(const uint8_t* bmp, size_t size, const Choices& choices, clBitMap* image, Rows* rows,
                       Failure* failure);

// The smallest colour table of a loaded image (after any colour mode),
// leaving an indexed image, and only rows the coder takes still in the
// bytes.
vastrelmon_status make_palette(clBitMap* image, Rows* rows, Failure* failure);

// The colour mode, then make_palette.
vastrelmon_status reduce(const Choices& choices, clBitMap* image, Rows* rows, Failure* failure);

// Codes image and writes the GIF to sink, or, with sink null, to a new
// file at gif_path that gets its name only once it is complete.
vastrelmon_status encode(const Choices& choices, bool transparency, const clBitMap& image, ByteSink* sink,
                         const char* gif_path, vastrelmon_result* result);

}  // namespace conversion

#endif
