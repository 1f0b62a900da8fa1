// The first stage of a run: the BMP file mapped into memory and loaded into
// the image by the library's own steps, with the program's messages.
#ifndef VASTRELMON_APP_LOAD_BMP_H
#define VASTRELMON_APP_LOAD_BMP_H

#include <cstdint>

#include "lib/conversion.h"
#include "platform/file_view.h"

class clBitMap;

// The input file of a run, mapped for as long as rows are read from it:
// the rows the image lacks are read where they lie (conversion::Rows), by
// the palette or by the coder, and are the file's only if it still held
// them all once the last was read.
class BmpInput : public GifRowSource {
public:
    bool read_row(int32_t row, uint8_t* out) override;
    // Once the last row wanted is read: 0 when the file still held them
    // all; else prints the read failure (load_bmp's for a file cut short)
    // and returns 1.
    int check_rows(bool verbose);

    FileView file;
    conversion::Rows rows;

private:
    int32_t rows_taken_ = 0;
};

// Opens, maps and validates input_name and fills image (which must be
// empty) with its pixels and palette, or leaves them in input->rows.
// Clears FLAG_TRANSPARENCY in *option_flags for a 24-bit picture (message
// 13). A true-colour picture's rows stay in the file unless
// conversion_mode asks for colour work. Prints its own failure message;
// with verbose also the picture's size and the failing object's error
// text. Returns 0 on success, 1 after a reported failure.
int load_bmp(uint32_t* option_flags, int32_t transparent_index, int32_t conversion_mode, const char* input_name,
             clBitMap* image, bool verbose, BmpInput* input);

// Prints failure: its message, and with verbose its detail.
void print_failure(const conversion::Failure& failure, bool verbose);

#endif
