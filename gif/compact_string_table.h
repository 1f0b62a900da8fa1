// The LZW string table of a tiny picture: the same strings as LzwStringTable,
// kept in a small hash table instead of directly indexed parts. A picture of
// a few thousand pixels gives at most a few thousand strings, yet
// LzwStringTable's block would cost it fresh pages several times the whole
// coding: at depths 1 to 4 one or two 2 MiB pages, at depths 5 to 8 some 70
// small ones (64 x 64, 8 bits: 1.71 ms with this table, 1.75 without). Here
// every string of the table takes one slot of 32 bits (its prefix code and
// last pixel above, its own code below) in 32 KiB: a handful of pages.
//
// It offers the part of LzwStringTable's interface that match_with_runs
// uses, with neither runs nor leaps: every pixel goes through child, at any
// depth.
#ifndef VASTRELMON_GIF_COMPACT_STRING_TABLE_H
#define VASTRELMON_GIF_COMPACT_STRING_TABLE_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gif/code_emitter.h"
#include "gif/lzw_string_table.h"

template <int kValueBits>
class CompactStringTable {
public:
    static constexpr bool kHasLeaps = false;
    static constexpr bool kHasRuns = false;

    CompactStringTable() = default;
    ~CompactStringTable() { std::free(slots_); }
    CompactStringTable(const CompactStringTable&) = delete;
    CompactStringTable& operator=(const CompactStringTable&) = delete;

    // Once: takes the memory, every string unknown; false when it cannot be
    // had.
    bool allocate()
    {
        slots_ = static_cast<uint32_t*>(std::calloc(kSlots, sizeof(uint32_t)));
        return slots_ != nullptr;
    }

    // Forgets every string.
    void reset() { std::memset(slots_, 0, kSlots * sizeof(uint32_t)); }

    // The code of string code extended by pixel, or kNoString.
    uint32_t child(uint32_t code, uint32_t pixel) const
    {
        const uint32_t key = key_of(code, pixel);
        for (size_t slot = home(key);; slot = (slot + 1) % kSlots) {
            const uint32_t entry = slots_[slot];
            if (entry == kEmpty) {
                return lzw_table::kNoString;
            }
            if (entry >> kCodeBits == key) {
                return entry & kCodeMask;
            }
        }
    }
    void add_child(uint32_t code, uint32_t pixel, uint32_t new_code)
    {
        const uint32_t key = key_of(code, pixel);
        size_t slot = home(key);
        while (slots_[slot] != kEmpty) {
            slot = (slot + 1) % kSlots;
        }
        slots_[slot] = key << kCodeBits | new_code;
    }

    // Every string may have longer ones.
    bool row_in_use(uint32_t) const { return true; }
    // The two-pixel strings are children like any other.
    uint32_t root(uint32_t value, uint32_t pixel) const { return child(value, pixel); }
    void add_root(uint32_t value, uint32_t pixel, uint32_t new_code) { add_child(value, pixel, new_code); }

private:
    static constexpr uint32_t kCodeBits = 12;
    static constexpr uint32_t kCodeMask = (1u << kCodeBits) - 1;
    static_assert(kCodeLimit <= kCodeMask + 1, "a code fits below the key");
    static_assert(kCodeBits + kCodeBits + kValueBits <= 32, "a slot holds the key and the code");
    // A table holds fewer strings than codes, so at most half the slots are
    // ever taken and a search ends after a step or two.
    static constexpr size_t kSlotBits = 13;
    static constexpr size_t kSlots = size_t{1} << kSlotBits;
    static_assert(kSlots >= 2 * kCodeLimit, "at most half the slots taken");
    // A taken slot holds a code of at least the first free one, never 0.
    static constexpr uint32_t kEmpty = 0;

    static uint32_t key_of(uint32_t code, uint32_t pixel) { return code << kValueBits | pixel; }
    // Fibonacci hashing: the key's bits spread over the slot number.
    static size_t home(uint32_t key) { return (key * UINT32_C(0x9E3779B1)) >> (32 - kSlotBits); }

    uint32_t* slots_ = nullptr;
};

#endif
