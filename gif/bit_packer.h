// Packs variable-width codes least significant bit first into a byte area of
// fixed capacity, as GIF image data requires: the first code starts at bit 0
// of byte 0.
//
// Bits gather in a 64-bit accumulator. After every code the whole bytes in
// it are stored with one eight-byte write and dropped, so the accumulator
// keeps fewer than 8 bits between calls and no branch depends on how full
// it is; bytes of that write beyond the whole ones are rewritten by the next
// code. Near the end of the area the whole bytes go out one at a time, so
// nothing is ever written past the capacity.
//
// The guard refuses a code as soon as the whole bytes written so far reach
// the capacity, even when no further bit would follow, so the usable room is
// capacity - 1 whole bytes plus a partly filled last byte.
#ifndef VASTRELMON_GIF_BIT_PACKER_H
#define VASTRELMON_GIF_BIT_PACKER_H

#include <cstddef>
#include <cstdint>

class BitPacker {
public:
    // area must hold capacity bytes; nothing is written past them.
    BitPacker(uint8_t* area, size_t capacity)
        : area_(area), out_(area), end_(area + capacity), pending_(0), pending_bits_(0)
    {
    }

    // Appends the low width bits of code (width 0 to 16). Returns false, and
    // must then not be called again, when the area has filled up.
    bool put(uint32_t code, int width)
    {
        pending_ |= static_cast<uint64_t>(code) << pending_bits_;
        pending_bits_ += static_cast<unsigned>(width);
        const unsigned whole = pending_bits_ / kByteBits;  // at most 2
        if (static_cast<size_t>(end_ - out_) >= kWordBytes) {
            // The word fits, and so do the whole bytes: the guard cannot fire.
            store_word(out_, pending_);
        } else {
            if (out_ + whole >= end_) {
                return false;
            }
            for (unsigned i = 0; i < whole; ++i) {
                out_[i] = static_cast<uint8_t>(pending_ >> (i * kByteBits));
            }
        }
        out_ += whole;
        pending_ >>= whole * kByteBits;
        pending_bits_ %= kByteBits;
        return true;
    }

    // Whole bytes stored so far.
    size_t stored() const { return static_cast<size_t>(out_ - area_); }

    // Writes out the bits still pending (a partly filled last byte) and
    // returns the number of bytes in use.
    size_t finish()
    {
        if (pending_bits_ > 0) {
            *out_++ = static_cast<uint8_t>(pending_);
            pending_ = 0;
            pending_bits_ = 0;
        }
        return static_cast<size_t>(out_ - area_);
    }

private:
    static constexpr unsigned kByteBits = 8;
    static constexpr size_t kWordBytes = 8;

    // Little-endian whatever the machine; compilers merge this into one
    // store where the machine is little-endian.
    static void store_word(uint8_t* at, uint64_t word)
    {
        at[0] = static_cast<uint8_t>(word);
        at[1] = static_cast<uint8_t>(word >> 8);
        at[2] = static_cast<uint8_t>(word >> 16);
        at[3] = static_cast<uint8_t>(word >> 24);
        at[4] = static_cast<uint8_t>(word >> 32);
        at[5] = static_cast<uint8_t>(word >> 40);
        at[6] = static_cast<uint8_t>(word >> 48);
        at[7] = static_cast<uint8_t>(word >> 56);
    }

    uint8_t* area_;
    uint8_t* out_;           // the first byte not yet stored whole
    uint8_t* end_;           // area_ + capacity
    uint64_t pending_;       // bits not yet stored as whole bytes, the oldest lowest
    unsigned pending_bits_;  // below 8 between calls
};

#endif
