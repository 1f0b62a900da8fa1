// One conversion as the library runs it: a BMP (from a file or from memory)
// or a caller's pixels, through the colour rules, to a GIF in memory or in
// a file. The steps and their checks are the program's, in its order; what
// the program would print about a failure is left in a vastrelmon_result
// instead. Private to lib/.
#ifndef VASTRELMON_LIB_CONVERSION_H
#define VASTRELMON_LIB_CONVERSION_H

#include <cstddef>
#include <cstdint>

#include "vastrelmon.h"

class clBitMap;
class clFile;
class ByteSink;

namespace conversion {

// The caller's options, checked.
struct Choices {
    bool interlace = true;
    int32_t transparent = -1;
    bool compress = true;
    bool widest_codes = false;
    int32_t color_mode = 0;
    vastrelmon_progress progress = nullptr;
    void* progress_context = nullptr;
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

// The BMP file could not be opened (the program's message 19).
vastrelmon_status report_open_failure(const clFile& file, const char* path, vastrelmon_result* result);
// The GIF's name is taken already (the program's message 17).
vastrelmon_status report_exists(const char* path, vastrelmon_result* result);

// Loads the BMP that file has open into image. *transparency tells whether
// the transparent index applies (not to a true-colour picture).
vastrelmon_status load(clFile* file, const Choices& choices, clBitMap* image, bool* transparency,
                       vastrelmon_result* result);

// The colour mode, then the smallest colour table, leaving an indexed image.
vastrelmon_status reduce(const Choices& choices, clBitMap* image, vastrelmon_result* result);

// Codes image and writes the GIF to sink, or, with sink null, to a new
// file at gif_path that gets its name only once it is complete.
vastrelmon_status encode(const Choices& choices, bool transparency, const clBitMap& image, ByteSink* sink,
                         const char* gif_path, vastrelmon_result* result);

}  // namespace conversion

#endif
