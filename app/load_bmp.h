// The first stage of a run: load one BMP file into the image.
#ifndef VASTRELMON_APP_LOAD_BMP_H
#define VASTRELMON_APP_LOAD_BMP_H

#include <cstddef>
#include <cstdint>

#include "bmp/bmp_file.h"
#include "gif/gif_settings.h"

class clBitMap;

// The input file of a run, kept open for the coder: a big 8-bit picture
// whose every 64th row already uses its whole table needs no other row
// before it is coded, and the coder then reads each row from the file as
// it comes to it, straight into its window.
class InputFile : public GifRowSource {
public:
    bool read_row(int32_t row, uint8_t* out) override { return file.read_row(&info, row, out) == 0; }

    clFile file;
    BmpInfo info = {};
    bool rows_in_file = false;  // the image holds only those rows
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
// pixels. When that fails, or after the coder found a row missing
// (row_failed), prints the read failure load_bmp would have printed and
// returns 1.
int finish_load(InputFile* input, clBitMap* image, bool verbose, bool row_failed = false);

// The same for a BMP file held in memory (size bytes at data): the same
// checks, messages and results, without a file name to refuse.
int load_bmp_from_memory(uint32_t* option_flags, int32_t transparent_index,
                         const uint8_t* data, size_t size, clBitMap* image, bool verbose);

#endif
