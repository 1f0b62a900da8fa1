// The LZW string table: for every code and every pixel value, the code of
// that string extended by that pixel, or kNoString. Indexed directly, with
// no hashing, so a lookup is one read: the rows, one per code, hold one entry
// per pixel value the picture can contain (2^D of them), so a 1-bit
// picture's rows take 16 KiB and an 8-bit picture's 4096 x 256 entries
// (2 MiB).
//
// Two more directly indexed parts speed up the long matches of real
// pictures, each holding strings that the rows then do not:
// - repeats, used at depths 5 to 8, one entry per code: the string extended
//   by its own last pixel again. A smooth picture's strings mostly grow that
//   way, and these 8 KiB stay in the first-level cache where the 2 MiB of
//   rows cannot.
// - leaps, at depths 1 to 4: the string extended by a whole group of pixels
//   packed into one byte (8 pixels at depth 1), for the strings whose length
//   is 1 more than a multiple of the group. The coder keeps them filled (see
//   lzw_coder.cpp) and walks a long string a group at a time.
// Either way the table takes a little over 2 MiB.
//
// Forgetting every string at a clear code touches only the entries written
// since the last one (at most two per code), not the whole table. At depths
// 5 to 8 the rows of the one-pixel strings are the exception: every string
// starts there, so a bit per entry says whether it is in use and a clear
// code empties those 8 KiB of bits instead of writing back thousands of
// scattered entries; such an entry is read only when its bit is set. A
// second set of bits, one per code, says whether a row holds any string:
// most rows of a picture as busy as noise never do, and the coder then
// knows a string is new without reading a far-away entry.
//
// All parts live in one block at offsets fixed by the depth, so the coder
// reaches every one of them from a single address.
#ifndef VASTRELMON_GIF_LZW_STRING_TABLE_H
#define VASTRELMON_GIF_LZW_STRING_TABLE_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gif/code_emitter.h"
#include "platform/table_memory.h"

namespace lzw_table {

// Entries hold codes of strings of two or more pixels, which are never below
// the first free code, so 0 can stand for "no such string".
constexpr uint32_t kNoString = 0;
// Leaps exist up to this depth; a group packs kLeapKeyBits of pixels.
constexpr int kMaxLeapBits = 4;
constexpr int kLeapKeyBits = 8;

constexpr size_t kWordBits = 64;

constexpr size_t round_up(size_t value, size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

}  // namespace lzw_table

template <int kValueBits>
class LzwStringTable {
public:
    static constexpr bool kHasLeaps = kValueBits <= lzw_table::kMaxLeapBits;
    static constexpr bool kHasBits = !kHasLeaps;
    static constexpr size_t kLeapPixels = lzw_table::kLeapKeyBits / kValueBits;

    LzwStringTable() : entries_(nullptr), written_top_(nullptr) {}
    ~LzwStringTable() { free_table(entries_, kBlockBytes); }
    LzwStringTable(const LzwStringTable&) = delete;
    LzwStringTable& operator=(const LzwStringTable&) = delete;

    // Once: takes the memory, every string unknown; false when it cannot be
    // had. The block comes zero-filled, so nothing has to be cleared.
    bool allocate()
    {
        entries_ = static_cast<uint16_t*>(allocate_table(kBlockBytes));
        if (entries_ == nullptr) {
            return false;
        }
        written_top_ = written_list();
        return true;
    }

    // Forgets every string.
    void reset()
    {
        for (const uint32_t* slot = written_list(); slot != written_top_; ++slot) {
            entries_[*slot] = lzw_table::kNoString;
        }
        written_top_ = written_list();
        std::memset(bits(), 0, kBitWords * sizeof(uint64_t));
    }

    // The rows: the code of string code extended by pixel, or kNoString.
    // At depths 5 to 8 only for a code whose row is in use and that is not a
    // one-pixel string.
    uint32_t child(uint32_t code, uint32_t pixel) const { return entries_[row_slot(code, pixel)]; }
    void add_child(uint32_t code, uint32_t pixel, uint32_t new_code)
    {
        add_at(row_slot(code, pixel), new_code);
        if (kHasBits) {
            set_bit(code);
        }
    }

    // The repeats: string code extended by its own last pixel. They hold
    // links, a code times the size of an entry, which is the entry's
    // distance from the start of the repeats: following a run of repeats
    // is then one read per pixel, with nothing to work out between reads.
    static uint32_t link_of(uint32_t code) { return code * sizeof(uint16_t); }
    static uint32_t code_of(uint32_t link) { return link / sizeof(uint16_t); }
    // The start of the repeats, for repeat_link().
    const unsigned char* repeats() const { return reinterpret_cast<const unsigned char*>(entries_ + kRepeatStart); }
    // The link of the string whose link is given, extended by its own last
    // pixel, or kNoString.
    static uint32_t repeat_link(const unsigned char* repeats, size_t link)
    {
        uint16_t next;
        std::memcpy(&next, repeats + link, sizeof next);
        return next;
    }
    void add_repeat(uint32_t code, uint32_t new_code) { add_at(kRepeatStart + code, link_of(new_code)); }

    // Depths 1 to 4: string code extended by the group packed in key.
    uint32_t leap(uint32_t code, uint32_t key) const { return entries_[leap_slot(code, key)]; }
    void add_leap(uint32_t code, uint32_t key, uint32_t new_code) { add_at(leap_slot(code, key), new_code); }

    // Depths 5 to 8: whether the row of code holds any string.
    bool row_in_use(uint32_t code) const { return bit(code); }
    // Depths 5 to 8, for a one-pixel string value and another pixel: whether
    // that string is known, and giving it a code.
    bool root_in_use(uint32_t value, uint32_t pixel) const
    {
        return bit(kRowBits + row_slot(value, pixel));
    }
    void add_root(uint32_t value, uint32_t pixel, uint32_t new_code)
    {
        entries_[row_slot(value, pixel)] = static_cast<uint16_t>(new_code);
        set_bit(kRowBits + row_slot(value, pixel));
    }

private:
    // The block, in entries of 16 bits: rows, repeats, leaps, then the bits
    // and the list of written slots.
    static constexpr size_t kRowStart = 0;
    static constexpr size_t kRepeatStart = kRowStart + (static_cast<size_t>(kCodeLimit) << kValueBits);
    static constexpr size_t kLeapStart = kRepeatStart + kCodeLimit;
    static constexpr size_t kLeapEntries =
        kHasLeaps ? static_cast<size_t>(kCodeLimit) << (kLeapPixels * kValueBits) : 0;
    static constexpr size_t kEntries = kLeapStart + kLeapEntries;
    // Bits, depths 5 to 8: one per row, then one per slot of the rows of the
    // one-pixel strings.
    static constexpr size_t kRowBits = kCodeLimit;
    static constexpr size_t kBitWords =
        kHasBits ? (kRowBits + (size_t{1} << (2 * kValueBits))) / lzw_table::kWordBits : 0;
    static constexpr size_t kBitsOffset = lzw_table::round_up(kEntries * sizeof(uint16_t), sizeof(uint64_t));
    static constexpr size_t kWrittenOffset = kBitsOffset + kBitWords * sizeof(uint64_t);
    // Every code writes at most two slots: its row or repeat, and its leap.
    static constexpr size_t kWrittenLimit = 2 * kCodeLimit;
    static constexpr size_t kBlockBytes = kWrittenOffset + kWrittenLimit * sizeof(uint32_t);

    static size_t row_slot(uint32_t code, uint32_t pixel)
    {
        return kRowStart + (static_cast<size_t>(code) << kValueBits | pixel);
    }
    static size_t leap_slot(uint32_t code, uint32_t key)
    {
        return kLeapStart + (static_cast<size_t>(code) << (kLeapPixels * kValueBits) | key);
    }

    void add_at(size_t slot, uint32_t new_code)
    {
        entries_[slot] = static_cast<uint16_t>(new_code);
        *written_top_++ = static_cast<uint32_t>(slot);
    }

    uint64_t* bits() const
    {
        return reinterpret_cast<uint64_t*>(reinterpret_cast<unsigned char*>(entries_) + kBitsOffset);
    }
    uint32_t* written_list() const
    {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(entries_) + kWrittenOffset);
    }
    bool bit(size_t index) const
    {
        return (bits()[index / lzw_table::kWordBits] >> (index % lzw_table::kWordBits)) & 1;
    }
    void set_bit(size_t index)
    {
        bits()[index / lzw_table::kWordBits] |= uint64_t{1} << (index % lzw_table::kWordBits);
    }

    uint16_t* entries_;       // the block
    uint32_t* written_top_;   // end of the list of slots given a code since the last reset
};

#endif
