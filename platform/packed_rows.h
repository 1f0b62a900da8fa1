// Rows of 1- or 4-bit indices packed as a BMP stores them: first pixel in the most significant bits, each row
// starting on a byte, the unused low bits of its last byte never read. The BMP reader unpacks them into the
// picture's bytes, the GIF coders a window of rows at a time.
#ifndef VASTRELMON_PLATFORM_PACKED_ROWS_H
#define VASTRELMON_PLATFORM_PACKED_ROWS_H

#include <cstddef>
#include <cstdint>

// stored_bits of a picture held at one byte per pixel.
constexpr int kBytePerPixel = 8;

inline bool is_packed(int stored_bits)
{
    return stored_bits == 1 || stored_bits == 4;
}

// Bytes of one row of width pixels of stored_bits each.
inline size_t row_bytes(size_t width, int stored_bits)
{
    return is_packed(stored_bits) ? (width * static_cast<size_t>(stored_bits) + 7) / 8 : width;
}

// The index of pixel x of a packed row of 1 or 4 bits per pixel.
inline uint8_t packed_index(const uint8_t* row, size_t x, int stored_bits)
{
    const size_t per_byte = 8 / static_cast<size_t>(stored_bits);
    const int shift = 8 - stored_bits * static_cast<int>(x % per_byte + 1);
    return static_cast<uint8_t>((row[x / per_byte] >> shift) & ((1 << stored_bits) - 1));
}

// Writes width index bytes from a row of (width + 7) / 8 bytes.
void unpack_1bit(const uint8_t* row, size_t width, uint8_t* out);
// Writes width index bytes from a row of (width + 1) / 2 bytes.
void unpack_4bit(const uint8_t* row, size_t width, uint8_t* out);
// One byte per pixel from a packed row of 1 or 4 bits per pixel.
void unpack_row(const uint8_t* row, size_t width, int stored_bits, uint8_t* out);

#endif
