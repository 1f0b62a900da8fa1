// Packs variable-width codes least significant bit first into a byte area of
// fixed capacity, as GIF image data requires: the first code starts at bit 0
// of byte 0.
//
// Bits gather in a 64-bit accumulator and leave it four bytes at a time.
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
        : area_(area), capacity_(capacity), position_(0), pending_(0), pending_bits_(0)
    {
    }

    // Appends the low width bits of code (width 0 to 16). Returns false, and
    // must then not be called again, when the area has filled up.
    bool put(uint32_t code, int width)
    {
        pending_ |= static_cast<uint64_t>(code) << pending_bits_;
        pending_bits_ += width;
        if (position_ + static_cast<size_t>(pending_bits_ / kByteBits) >= capacity_) {
            return false;
        }
        // The guard above leaves room for these four bytes.
        if (pending_bits_ >= kFlushBits) {
            for (int i = 0; i < kFlushBytes; ++i) {
                area_[position_++] = static_cast<uint8_t>(pending_ >> (i * kByteBits));
            }
            pending_ >>= kFlushBits;
            pending_bits_ -= kFlushBits;
        }
        return true;
    }

    // Writes out the bits still pending (the last byte possibly partly
    // filled) and returns the number of bytes in use.
    size_t finish()
    {
        while (pending_bits_ > 0) {
            area_[position_++] = static_cast<uint8_t>(pending_);
            pending_ >>= kByteBits;
            pending_bits_ = pending_bits_ > kByteBits ? pending_bits_ - kByteBits : 0;
        }
        return position_;
    }

private:
    static constexpr int kByteBits = 8;
    static constexpr int kFlushBits = 32;
    static constexpr int kFlushBytes = kFlushBits / kByteBits;

    uint8_t* area_;
    size_t capacity_;
    size_t position_;       // bytes already stored
    uint64_t pending_;      // bits not yet stored, the oldest lowest
    int pending_bits_;      // below kFlushBits between calls
};

#endif
