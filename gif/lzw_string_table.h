// The LZW string table: for every code and every pixel value, the code of
// that string extended by that pixel. Indexed directly, with no hashing, so
// a lookup is one read; the price is 4096 x 256 entries (2 MiB).
#ifndef VASTRELMON_GIF_LZW_STRING_TABLE_H
#define VASTRELMON_GIF_LZW_STRING_TABLE_H

#include <cstdint>

#include "gif/code_emitter.h"

class LzwStringTable {
public:
    static constexpr int kPixelValues = 256;
    static constexpr int kNoString = -1;

    LzwStringTable() : child_table_(nullptr) {}
    ~LzwStringTable();
    LzwStringTable(const LzwStringTable&) = delete;
    LzwStringTable& operator=(const LzwStringTable&) = delete;

    // Takes the memory; false when it cannot be had. The contents are
    // undefined until reset.
    bool allocate();
    // Forgets every string: all entries become kNoString.
    void reset();

    // The code of string code extended by pixel, or kNoString.
    int find(int code, uint8_t pixel) const
    {
        return child_table_[static_cast<uint32_t>(code) * kPixelValues + pixel];
    }
    // Gives string code extended by pixel the code new_code.
    void add(int code, uint8_t pixel, int new_code)
    {
        child_table_[static_cast<uint32_t>(code) * kPixelValues + pixel] =
            static_cast<int16_t>(new_code);
    }

private:
    int16_t* child_table_;
};

#endif
