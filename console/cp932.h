// Code page 932 bytes for the catalogue's Japanese texts, which the source keeps as UTF-8.
#ifndef VASTRELMON_CONSOLE_CP932_H
#define VASTRELMON_CONSOLE_CP932_H

#include <cstddef>

// Converts NUL-terminated UTF-8 text to code page 932 into out, a buffer of out_size bytes (at least 1), and
// returns the length written. ASCII stays as it is; a character outside the table, or a malformed sequence,
// becomes '?'. The result is never longer than the input, and is cut when out is too small. The table holds
// the characters the catalogue uses.
size_t utf8_to_cp932(const char* utf8, char* out, size_t out_size);

#endif
