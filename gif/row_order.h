// GIF row order: the pixels as the coders read them, row after row, either
// top to bottom or in the four interlace passes.
#ifndef VASTRELMON_GIF_ROW_ORDER_H
#define VASTRELMON_GIF_ROW_ORDER_H

#include <cstddef>
#include <cstdint>

// Copies width x height pixels (rows top first, width bytes each) into
// target in GIF row order and returns the OR of every value copied, which
// reaches 2^D exactly when some value does. target must hold the picture
// and must not overlap source.
uint8_t copy_in_gif_order(const uint8_t* source, int32_t width, int32_t height, bool interlaced,
                          uint8_t* target);

#endif
