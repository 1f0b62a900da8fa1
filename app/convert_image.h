// The second stage of a run: the optional colour mode, then the smallest
// palette.
#ifndef VASTRELMON_APP_CONVERT_IMAGE_H
#define VASTRELMON_APP_CONVERT_IMAGE_H

#include <cstdint>

class clBitMap;
class InputFile;

// Leaves image as an indexed picture of depth 1 to 8. Reads only
// FLAG_OPTIMIZE of option_flags. Prints its own messages (with verbose also
// the depths and the image's error text). Returns 0 on success, 1 after a
// reported failure. A true-colour picture whose rows are still in input's
// file (no colour mode then) gets its palette from there.
int convert_image(uint32_t option_flags, int32_t conversion_mode, clBitMap* image, bool verbose,
                  InputFile* input = nullptr);

#endif
