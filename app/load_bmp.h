// The first stage of a run: load one BMP file into the image.
#ifndef VASTRELMON_APP_LOAD_BMP_H
#define VASTRELMON_APP_LOAD_BMP_H

#include <cstddef>
#include <cstdint>

#include "bmp/bmp_file.h"
#include "gif/gif_settings.h"
#include "image/true_color_palette.h"
#include "platform/malloc_buffer.h"

class clBitMap;

// The input file of a run, kept open for the coder: a big 8-bit picture
// whose every 64th row already uses its whole table needs no other row
// before it is coded, and the coder then reads each row from the file as
// it comes to it, straight into its window. A big true-colour picture stays
// in the file as well: its palette is built from rows read a few at a time.
// Below the size from which the coder has a second thread, that pass also
// leaves every pixel's index in the image; a bigger picture's rows are read
// again by the coder, each becoming indices on its way to the window.
class InputFile : public GifRowSource {
public:
    bool read_row(int32_t row, uint8_t* out) override;

    clFile file;
    BmpInfo info = {};
    bool rows_in_file = false;  // the image holds only those rows (a true-colour one none)
    bool mapped = false;        // the file's rows are mapped (clFile::map_rows)
    int32_t depth_read = 0;     // bits a pixel in the file (16 or 32 for a picture read as 24)
    // Room for a few of its rows as stored: the palette's reads, then the
    // coder's, each row on its way to the window (and to indices).
    MallocBuffer<uint8_t> stored_rows;
    int32_t rows_at_once = 0;

    // Takes stored_rows' room for a share of height rows of row_bytes each;
    // false, with no room, when it cannot be had (each row is then read on
    // its own).
    bool make_room(size_t row_bytes, int32_t height);
    // Reads count rows from first on into stored_rows, which then holds
    // them; false when the file fails.
    bool hold_rows(int32_t first, int32_t count);

private:
    const uint8_t* stored_row(int32_t row);

    size_t row_bytes_ = 0;  // of a row in stored_rows
    // The rows stored_rows holds now, and the row the coder asked for last.
    int32_t held_first_ = 0;
    int32_t held_count_ = 0;
    int32_t last_asked_ = -1;
    int32_t rows_taken_ = 0;  // by the coder, from a mapped file

public:
    // Of a true-colour picture in the file. Last, so that the other members
    // share their stack pages, and an 8-bit picture never touches its 23 KiB.
    TrueColorPalette colors;
};

// Opens and validates input_name and fills image (which must be empty) with
// its pixels and palette. Clears FLAG_TRANSPARENCY in *option_flags for a
// 24-bit picture (message 13). Prints its own failure message; with verbose
// also the picture's size and the failing object's error text. Returns 0 on
// success, 1 after a reported failure. With input, the file stays open
// there and may keep rows for the coder (input->rows_in_file).
int load_bmp(uint32_t* option_flags, int32_t transparent_index, const char* input_name,
             clBitMap* image, bool verbose, InputFile* input = nullptr);

// Reads the rows left in the file into the image, for any other use of its
// pixels (a true-colour picture's become indices once its palette is
// built). When that fails, or after the coder found a row missing
// (row_failed), prints the read failure load_bmp would have printed and
// returns 1.
int finish_load(InputFile* input, clBitMap* image, bool verbose, bool row_failed = false);

// The palette of a true-colour picture whose rows are in the file, as
// clBitMap::build_palette builds it (the image stays at depth 24 when it
// has too many colours). Below the coder's second-thread size the image
// then also holds every index, and input->rows_in_file is cleared. Prints
// a read failure as finish_load does; returns 0 or, after such a failure,
// 1.
int palette_from_file(InputFile* input, clBitMap* image, bool verbose);

// The same for a BMP file held in memory (size bytes at data): the same
// checks, messages and results, without a file name to refuse.
int load_bmp_from_memory(uint32_t* option_flags, int32_t transparent_index,
                         const uint8_t* data, size_t size, clBitMap* image, bool verbose);

#endif
