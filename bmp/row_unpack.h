// Turning one stored BMP row into the image's row: one byte per index for
// 1 and 4 bits (most significant bits first), the bytes as they are for 8
// and 24 bits.
#ifndef VASTRELMON_BMP_ROW_UNPACK_H
#define VASTRELMON_BMP_ROW_UNPACK_H

#include <cstddef>
#include <cstdint>

// Writes width index bytes from a row of (width + 7) / 8 bytes.
void unpack_1bit(const uint8_t* row, int32_t width, uint8_t* out);
// Writes width index bytes from a row of (width + 1) / 2 bytes.
void unpack_4bit(const uint8_t* row, int32_t width, uint8_t* out);

#endif
