// The second stage of a run: the optional colour mode, then the smallest
// palette.
#ifndef VASTRELMON_APP_CONVERT_IMAGE_H
#define VASTRELMON_APP_CONVERT_IMAGE_H

#include <cstdint>

class clBitMap;
class BmpInput;

// Leaves image as an indexed picture of depth 1 to 8. Reads only
// FLAG_OPTIMIZE of option_flags. Prints its own messages (with verbose also
// the depths and the image's error text). Returns 0 on success, 1 after a
// reported failure. Rows still in input's file are read there (a
// true-colour picture's palette) or left for the coder.
int convert_image(uint32_t option_flags, int32_t conversion_mode, clBitMap* image, bool verbose,
                  BmpInput* input = nullptr);

#endif
