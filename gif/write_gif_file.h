// The last stage of a run: code the converted image and write the GIF file.
#ifndef VASTRELMON_GIF_WRITE_GIF_FILE_H
#define VASTRELMON_GIF_WRITE_GIF_FILE_H

#include <cstdint>

class clBitMap;

// The comment every written file carries.
extern const char kGifComment[];

// Codes image (an indexed picture of depth 1 to 8) in memory, then creates
// output_name and writes the stream. Returns 0 when the file was written or
// already existed (message 17, nothing written), 1 after a reported failure;
// after a failure no file created here is left behind.
int write_gif_file(uint32_t option_flags, int32_t transparent_index, const char* output_name,
                   const clBitMap* image);

#endif
