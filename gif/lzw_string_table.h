// The LZW string table: for every code and every pixel value, the code of that string extended by that pixel,
// or kNoString. At depths 1 to 4 it is indexed directly, with no hashing, so a lookup is one read: the rows,
// one per code, hold one entry per pixel value the picture can contain (2^D of them), so a 1-bit picture's
// rows take 16 KiB. At depths 5 to 8 the rows would take 4096 x 2^D entries (2 MiB for 8 bits), of which a
// picture uses a few thousand at a time, so there they are kept hashed instead: a slot of 32 bits for each
// string (its prefix code and last pixel above, its own code below) in an open-addressed table of twice as
// many slots as there are codes, 32 KiB that stay in the first-level cache where the 2 MiB did not. The whole
// block then takes under 300 KiB, on small pages (see platform/table_memory.h).
//
// Two more directly indexed parts speed up long matches; each holds strings that the rows then do not:
// - runs, used at depths 5 to 8: the strings that extend a string by its own last pixel again and again. A
//   smooth picture's strings mostly grow that way. Each string found through the rows (the run's base) has a
//   list of them in order, one more pixel each, kept in blocks of kRunBlockCodes codes chained together, and
//   the list's length. The coder counts the equal pixels ahead and takes the string that many steps on with a
//   read or two, where a lookup per pixel would be a chain of dependent ones.
// - leaps, at depths 1 to 4: the string extended by a whole group of pixels packed into one byte (8 pixels at
//   depth 1), for the strings whose length is 1 more than a multiple of the group. The coder keeps them
//   filled (see lzw_coder.cpp) and walks a long string a group at a time.
//
// Forgetting every string at a clear code touches only the entries written since the last one (at most two
// per code), not the whole table: a run list is emptied by its length alone. At depths 5 to 8 the strings of
// two pixels are the exception: every match starts with one, so they have a part of their own, an entry of
// 16 bits for each pair of pixels that holds the string's code and the generation of the table that gave it
// (the count of clear codes so far, modulo 16). A clear code starts a new generation, and every older entry
// reads as unknown: nothing is written back, and a match's first step is one read. Only when the generations
// come round again, every 15 clear codes, is the part emptied. A set of bits, one per code, says whether a
// row holds any string: most rows of a picture as busy as noise never do, and the coder then knows a string
// is new without a lookup.
//
// All parts live in one block at offsets fixed by the depth, so the coder reaches each from one address.
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

// Codes in one block of a run list.
constexpr size_t kRunBlockCodes = 8;

constexpr size_t round_up(size_t value, size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

}  // namespace lzw_table

// kSmall: the table of a tiny picture, whose few thousand strings do not pay for the parts above (their pages
// would cost it more than its whole coding): only the hashed rows, at every depth, 32 KiB emptied at once at
// a clear code.
template <int kValueBits, bool kSmall = false>
class LzwStringTable {
public:
    static constexpr bool kHasLeaps = kValueBits <= lzw_table::kMaxLeapBits && !kSmall;
    // Depths 5 to 8: run lists, tagged two-pixel strings and the bits that say which rows are in use; the
    // rows are hashed there, and in a small table.
    static constexpr bool kHasBits = kValueBits > lzw_table::kMaxLeapBits && !kSmall;
    static constexpr bool kHasRuns = kHasBits;
    static constexpr bool kHashed = kHasBits || kSmall;
    static constexpr size_t kLeapPixels = lzw_table::kLeapKeyBits / kValueBits;

    LzwStringTable() : entries_(nullptr), written_top_(nullptr) {}
    ~LzwStringTable() { free_table(entries_, kBlockBytes); }
    LzwStringTable(const LzwStringTable&) = delete;
    LzwStringTable& operator=(const LzwStringTable&) = delete;

    // Once: takes the memory, zero-filled so every string is unknown; false when it cannot be had.
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
        if constexpr (kSmall) {
            std::memset(entries_ + kRowStart, 0, kRowEntries * sizeof(uint16_t));
            return;
        }
        for (const uint32_t* slot = written_list(); slot != written_top_; ++slot) {
            entries_[*slot] = lzw_table::kNoString;
        }
        written_top_ = written_list();
        entries_[kRunBlocksUsed] = 0;
        std::memset(bits(), 0, kBitWords * sizeof(uint64_t));
        if (kHasBits && ++generation_ == kGenerations) {
            // The numbers would come round again: the old entries go.
            std::memset(roots(), 0, kRootEntries * sizeof(uint16_t));
            generation_ = kFirstGeneration;
        }
    }

    // The rows: the code of string code extended by pixel, or kNoString. At depths 5 to 8 only for a code
    // whose row is in use and that is not a one-pixel string.
    uint32_t child(uint32_t code, uint32_t pixel) const
    {
        if constexpr (kHashed) {
            const uint32_t key = code << kValueBits | pixel;
            for (size_t slot = hash_home(key);; slot = (slot + 1) & kHashMask) {
                const uint32_t entry = hashed(slot);
                if (entry == kEmptySlot) {
                    return lzw_table::kNoString;
                }
                if (entry >> kSlotCodeBits == key) {
                    return entry & kSlotCodeMask;
                }
            }
        } else {
            return entries_[row_slot(code, pixel)];
        }
    }
    void add_child(uint32_t code, uint32_t pixel, uint32_t new_code)
    {
        if constexpr (kHashed) {
            const uint32_t key = code << kValueBits | pixel;
            size_t slot = hash_home(key);
            while (hashed(slot) != kEmptySlot) {
                slot = (slot + 1) & kHashMask;
            }
            // Written as two entries, so that a reset empties it as two.
            const size_t at = kRowStart + 2 * slot;
            const uint32_t entry = key << kSlotCodeBits | new_code;
            std::memcpy(entries_ + at, &entry, sizeof entry);
            if constexpr (!kSmall) {
                *written_top_++ = static_cast<uint32_t>(at);
                *written_top_++ = static_cast<uint32_t>(at + 1);
            }
        } else {
            add_at(row_slot(code, pixel), new_code);
        }
        if (kHasBits) {
            set_bit(code);
        }
    }

    // Runs, depths 5 to 8: how many strings base's list holds (base extended by its last pixel once, twice, ...).
    uint32_t run_length(uint32_t base) const { return entries_[kRunLengthStart + base]; }
    // The string that is base extended by its last pixel steps times, steps from 1 to run_length(base).
    uint32_t run_string(uint32_t base, size_t steps) const
    {
        return entries_[run_slot(base, steps)];
    }
    // Gives the string one step longer than the list's last the code new_code, and returns the list's last
    // string (the base itself for an empty list).
    uint32_t extend_run(uint32_t base, uint32_t new_code)
    {
        const size_t length = run_length(base);
        uint32_t longest = base;
        size_t block;
        if (length == 0) {
            block = new_block();
            entries_[kRunFirstStart + base] = static_cast<uint16_t>(block);
            add_at(kRunLengthStart + base, 1);
        } else {
            const size_t slot = run_slot(base, length);
            longest = entries_[slot];
            if (length % lzw_table::kRunBlockCodes != 0) {
                entries_[slot + 1] = static_cast<uint16_t>(new_code);
                entries_[kRunLengthStart + base] = static_cast<uint16_t>(length + 1);
                return longest;
            }
            block = new_block();
            entries_[kRunNextStart + (slot - kRunBlockStart) / lzw_table::kRunBlockCodes] =
                static_cast<uint16_t>(block);
            entries_[kRunLengthStart + base] = static_cast<uint16_t>(length + 1);
        }
        entries_[kRunBlockStart + block * lzw_table::kRunBlockCodes] = static_cast<uint16_t>(new_code);
        return longest;
    }

    // Depths 1 to 4: string code extended by the group packed in key.
    uint32_t leap(uint32_t code, uint32_t key) const { return entries_[leap_slot(code, key)]; }
    void add_leap(uint32_t code, uint32_t key, uint32_t new_code) { add_at(leap_slot(code, key), new_code); }

    // Depths 5 to 8: whether the row of code holds any string.
    bool row_in_use(uint32_t code) const { return kSmall || bit(code); }
    // Depths 5 to 8: the code of the two-pixel string (value, pixel), or kNoString; add_root gives it a code.
    uint32_t root(uint32_t value, uint32_t pixel) const
    {
        if constexpr (kSmall) {
            return child(value, pixel);
        }
        const uint32_t entry = roots()[pair_slot(value, pixel)];
        return entry >> kGenerationShift == generation_ ? entry & kTaggedCodeMask : lzw_table::kNoString;
    }
    void add_root(uint32_t value, uint32_t pixel, uint32_t new_code)
    {
        if constexpr (kSmall) {
            add_child(value, pixel, new_code);
            return;
        }
        roots()[pair_slot(value, pixel)] = static_cast<uint16_t>(generation_ << kGenerationShift | new_code);
    }

private:
    // The block: first the parts every picture touches and that stay small (the bits, the list of written
    // slots, the runs), then the ones that only a big picture fills: the tagged two-pixel strings, the rows
    // and the leaps. A small picture's strings then lie in few pages, and at depths 1 to 4, whose block takes
    // 2 MiB pages, in the first alone. The runs: each base's list length and first block, then the link from
    // each block to the next, then the blocks. A block is taken by a code given to a run, so there are never
    // more than codes. A tagged entry holds the generation above the code's 12 bits; the block comes
    // zero-filled, and generation 0 is never used.
    static constexpr size_t kPairs = size_t{1} << (2 * kValueBits);
    static constexpr size_t kRootEntries = kHasBits ? kPairs : 0;
    static constexpr uint32_t kGenerationShift = 12;
    static constexpr uint32_t kTaggedCodeMask = (1u << kGenerationShift) - 1;
    static constexpr uint32_t kGenerations = 1u << (16 - kGenerationShift);
    static constexpr uint32_t kFirstGeneration = 1;
    static_assert(kCodeLimit <= kTaggedCodeMask + 1, "a code fits below the generation");
    // Bits, depths 5 to 8: one per row.
    static constexpr size_t kBitWords = kHasBits ? kCodeLimit / lzw_table::kWordBits : 0;
    static constexpr size_t kWrittenOffset = kBitWords * sizeof(uint64_t);
    // Every code writes at most two entries: its row (both halves of a hashed slot) or run length, and leap.
    static constexpr size_t kWrittenLimit = kSmall ? 0 : 2 * kCodeLimit;
    // From here on, offsets count 16-bit entries from the block's start.
    static constexpr size_t kRunLengthStart = (kWrittenOffset + kWrittenLimit * sizeof(uint32_t)) / sizeof(uint16_t);
    static constexpr size_t kRunBlocks = kHasRuns ? kCodeLimit : 0;
    static constexpr size_t kRunFirstStart = kRunLengthStart + (kHasRuns ? kCodeLimit : 0);
    static constexpr size_t kRunNextStart = kRunFirstStart + (kHasRuns ? kCodeLimit : 0);
    static constexpr size_t kRunBlockStart = kRunNextStart + kRunBlocks;
    static constexpr size_t kRunBlocksUsed = kRunBlockStart + kRunBlocks * lzw_table::kRunBlockCodes;
    static constexpr size_t kRootStart = kRunBlocksUsed + 1;
    // The hashed rows' 32-bit slots start at a multiple of 32 bits.
    static constexpr size_t kRowStart = lzw_table::round_up(kRootStart + kRootEntries, sizeof(uint32_t) / sizeof(uint16_t));
    // The hashed rows: slots of two entries, empty while zero (a string's own code is never 0). Each code
    // names at most one string there between two clear codes, so the table is never more than half full.
    static constexpr int kHashBits = kMaxCodeWidth + 1;
    static constexpr size_t kHashSlots = size_t{1} << kHashBits;
    static constexpr size_t kHashMask = kHashSlots - 1;
    static constexpr uint32_t kEmptySlot = 0;
    static constexpr uint32_t kSlotCodeBits = kMaxCodeWidth;
    static constexpr uint32_t kSlotCodeMask = (1u << kSlotCodeBits) - 1;
    static_assert(kValueBits + 2 * kMaxCodeWidth <= 32, "a slot holds its key and its code");
    static constexpr size_t kRowEntries = kHashed ? 2 * kHashSlots : static_cast<size_t>(kCodeLimit) << kValueBits;
    static constexpr size_t kLeapStart = kRowStart + kRowEntries;
    static constexpr size_t kLeapEntries =
        kHasLeaps ? static_cast<size_t>(kCodeLimit) << (kLeapPixels * kValueBits) : 0;
    static constexpr size_t kBlockBytes = (kLeapStart + kLeapEntries) * sizeof(uint16_t);

    static size_t row_slot(uint32_t code, uint32_t pixel)
    {
        return kRowStart + (static_cast<size_t>(code) << kValueBits | pixel);
    }
    // The slot of base's run string steps long, steps from 1 to its length.
    size_t run_slot(uint32_t base, size_t steps) const
    {
        size_t block = entries_[kRunFirstStart + base];
        const size_t index = steps - 1;
        for (size_t hops = index / lzw_table::kRunBlockCodes; hops != 0; --hops) {
            block = entries_[kRunNextStart + block];
        }
        return kRunBlockStart + block * lzw_table::kRunBlockCodes + index % lzw_table::kRunBlockCodes;
    }
    // The count of blocks taken lives in the block: seldom needed, it leaves the registers to busier state.
    size_t new_block()
    {
        const size_t block = entries_[kRunBlocksUsed];
        entries_[kRunBlocksUsed] = static_cast<uint16_t>(block + 1);
        return block;
    }

    // Fibonacci hashing: the top bits of the product spread neighbouring codes' keys over the whole table.
    static constexpr uint32_t kHashFactor = 0x9E3779B1u;
    static size_t hash_home(uint32_t key) { return (key * kHashFactor) >> (32 - kHashBits); }
    uint32_t hashed(size_t slot) const
    {
        uint32_t entry;
        std::memcpy(&entry, entries_ + kRowStart + 2 * slot, sizeof entry);
        return entry;
    }

    static size_t pair_slot(uint32_t value, uint32_t pixel) { return static_cast<size_t>(value) << kValueBits | pixel; }

    static size_t leap_slot(uint32_t code, uint32_t key)
    {
        return kLeapStart + (static_cast<size_t>(code) << (kLeapPixels * kValueBits) | key);
    }

    void add_at(size_t slot, uint32_t new_code)
    {
        entries_[slot] = static_cast<uint16_t>(new_code);
        *written_top_++ = static_cast<uint32_t>(slot);
    }

    uint64_t* bits() const { return reinterpret_cast<uint64_t*>(entries_); }
    uint16_t* roots() const { return entries_ + kRootStart; }
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
    uint32_t generation_ = kFirstGeneration;  // of the tagged two-pixel strings
};

#endif
