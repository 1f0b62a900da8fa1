// A true-colour picture's palette, gathered from its pixels a run at a time in the picture's order (top row
// first): its distinct colours in the order they first appear, each with its count of pixels; then sorted
// into the GIF's colour table, and any pixels turned into indices of it. The picture need not be in memory
// all at once.
#ifndef VASTRELMON_IMAGE_TRUE_COLOR_PALETTE_H
#define VASTRELMON_IMAGE_TRUE_COLOR_PALETTE_H

#include <cstddef>
#include <cstdint>

#include "image/bitmap.h"

// Fewest bits that address count colours: the significant bits of
// count - 1, searched from bit top_depth - 1 downwards. 0 when count is 1.
int bits_for_count(uint32_t count, int top_depth);

namespace true_color {

struct ColorEntry {
    uint32_t packed;  // red << 16 | green << 8 | blue
    uint32_t uses;
    uint8_t key;
    uint8_t first;  // place in the order of first appearance
};

struct ColorList {
    ColorEntry entries[kPaletteEntries];
    int size;
};

// Where each colour of the list sits, found in a step or two instead of a walk through up to 256 entries:
// open addressing over sixteen times as many slots as the list can hold, keyed by the packed colour. So
// sparse a table seldom needs a second step, whose mispredicted branch would cost more than the lookup. Keys
// and values lie in arrays of their own, without the padding of a slot holding both, so the whole index
// (20 KiB) fits the first-level cache.
class ColorIndex {
public:
    // Empties every slot. Not done on construction: a palette that is never used (every indexed picture's)
    // then leaves its 20 KiB of slots, on the stack, untouched.
    void clear();
    // The value stored with packed, or -1.
    int find(uint32_t packed) const;
    // Stores value (below 256) with a colour not yet present.
    void add(uint32_t packed, int value);
    // Replaces every stored value v by map[v].
    void renumber(const uint8_t* map);

private:
    static constexpr int kSlotBits = 12;
    static constexpr uint32_t kSlots = 1u << kSlotBits;
    static constexpr uint32_t kSlotMask = kSlots - 1;
    // No packed colour reaches 2^24.
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    // Fibonacci hashing: the top bits of the product spread neighbouring colours over the whole table.
    static constexpr uint32_t kHashFactor = 0x9E3779B1u;

    static uint32_t home(uint32_t packed) { return (packed * kHashFactor) >> (32 - kSlotBits); }

    uint32_t keys_[kSlots];
    uint8_t values_[kSlots];
};

}  // namespace true_color

class TrueColorPalette {
public:
    TrueColorPalette() { list_.size = 0; }

    // Adds count pixels of three bytes each, blue, green, red; false at the
    // 257th distinct colour, after which nothing more may be added.
    bool add(const uint8_t* bgr, size_t count);
    // The same, and writes each pixel's colour number (its colour's place in the order of first appearance)
    // to numbers, count bytes apart from bgr's: the pixels need not be read again to become indices.
    bool add(const uint8_t* bgr, size_t count, uint8_t* numbers);
    // After the last add: sorts the colours (the largest low byte of the count first, ties in their order of
    // appearance), writes the table (red, green, blue per entry, kPaletteBytes, zero beyond the colours) to
    // palette and returns the depth it needs, 1 to 8. A single colour (a blank canvas) still gets one bit:
    // its colour in entry 0.
    int finish(uint8_t* palette);
    // After finish: count pixels' indices to out, which may be bgr itself (index i lands at or before pixel i).
    void index(const uint8_t* bgr, size_t count, uint8_t* out) const;
    // After finish: turns count colour numbers written by add into the table's indices, in place.
    void number_to_index(uint8_t* numbers, size_t count) const;

private:
    // Empties the index before its first use.
    void start();
    template <bool kNumbered>
    bool add_colors(const uint8_t* bgr, size_t count, uint8_t* numbers);

    true_color::ColorList list_;
    true_color::ColorIndex index_;
    uint8_t table_index_[kPaletteEntries];  // after finish: each colour number's index in the table
    bool started_ = false;
};

#endif
