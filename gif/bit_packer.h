// Packs variable-width codes least significant bit first into a byte area, as GIF image data requires (the
// first code starts at bit 0 of the first data byte), framed the way the file stores it: data sub-blocks of
// up to 255 bytes, each after its length byte, and an empty sub-block at the end. The area is then written to
// the file as it is, with no second copy.
//
// Bits gather in a 64-bit accumulator. After every code the whole bytes in it are stored with one eight-byte
// write and dropped, so the accumulator keeps fewer than 8 bits between calls and no branch depends on how
// full it is; bytes of that write beyond the whole ones are rewritten by the next code. Within 8 bytes of a
// sub-block's end (or of the area's end) the whole bytes go out one at a time, so no write reaches a length
// byte or goes past the area.
//
// The capacity counts data bytes, not length bytes. The guard refuses a code as soon as the whole data bytes
// written so far reach the capacity, even when no further bit would follow, so the usable room is
// capacity - 1 whole bytes plus a partly filled last byte.
//
// The area may instead be a ring that the stream goes round and round, for data that leaves for its sink
// while it is being packed (the encoder's way): a picture's coded data then takes a fixed few hundred
// kilobytes, touched again and again, instead of fresh pages for all of it (the plain area serves the tests
// of the packer alone). The ring's size is a multiple of the 256 bytes of a framed sub-block, so a sub-block
// never straddles its end. Before a sub-block is opened on ring bytes that held earlier data, the packer asks
// its RingDrain to have those bytes sent on.
#ifndef VASTRELMON_GIF_BIT_PACKER_H
#define VASTRELMON_GIF_BIT_PACKER_H

#include <cstddef>
#include <cstdint>

// Takes a ring's bytes away once they are final, so the ring can be filled
// again. Positions count the stream's bytes from its start, not the ring's.
class RingDrain {
public:
    virtual ~RingDrain() = default;
    // The bytes before settled are final; returns how far the stream may now go in the ring (below that
    // position no byte still waits to be taken), which is at least needed unless the bytes cannot be taken
    // away (then less, and the packer stops).
    virtual size_t make_room(size_t needed, size_t settled) = 0;
};

class BitPacker {
public:
    static constexpr size_t kSubBlockBytes = 255;
    // A framed sub-block: its length byte and its data.
    static constexpr size_t kFramedBlockBytes = kSubBlockBytes + 1;

    // Bytes an area must have for capacity data bytes with their framing.
    static constexpr size_t area_bytes(size_t capacity)
    {
        return capacity + capacity / kSubBlockBytes + 2;
    }

    // area must hold area_bytes(capacity) bytes; nothing is written past them. With drain, area is instead a
    // ring of ring_bytes, a multiple of kFramedBlockBytes.
    BitPacker(uint8_t* area, size_t capacity, size_t ring_bytes = 0, RingDrain* drain = nullptr)
        : area_(area),
          out_(1),
          block_(0),
          block_end_(1 + kSubBlockBytes),
          limit_(1 + capacity + capacity / kSubBlockBytes),
          fast_end_(block_end_ < limit_ ? block_end_ : limit_),
          capacity_(capacity),
          blocks_(1),
          pending_(0),
          pending_bits_(0),
          ring_(drain != nullptr ? ring_bytes : 0),
          wrapped_(0),
          room_end_(ring_),
          drain_(drain)
    {
    }

    // Appends the low width bits of code (width 0 to 16). Returns false, and
    // must then not be called again, when the area has filled up.
    bool put(uint32_t code, int width)
    {
        pending_ |= static_cast<uint64_t>(code) << pending_bits_;
        pending_bits_ += static_cast<unsigned>(width);
        const unsigned whole = pending_bits_ / kByteBits;  // at most 2
        if (fast_end_ - out_ >= kWordBytes) {
            // The word fits in the sub-block, and so do the whole bytes: the guard cannot fire.
            store_word(area_ + out_, pending_);
            out_ += whole;
        } else {
            if (data_stored() + whole >= capacity_) {
                return false;
            }
            for (unsigned i = 0; i < whole; ++i) {
                if (!put_byte(static_cast<uint8_t>(pending_ >> (i * kByteBits)))) {
                    return false;
                }
            }
        }
        pending_ >>= whole * kByteBits;
        pending_bits_ %= kByteBits;
        return true;
    }

    // Appends count codes of one width (1 to 12), as count calls of put() would, with the same result. Away
    // from a sub-block's end, four codes at a time are joined into one value first, so the accumulator takes
    // one step per four codes instead of one per code. Returns false, and must then not be called again, when
    // the area has filled up.
    bool put_run(const uint16_t* codes, size_t count, int width)
    {
        const unsigned w = static_cast<unsigned>(width);
        while (count > 0) {
            // Every code among the first `fast` starts at least a word before the sub-block's (or the area's)
            // end, so put() would take its fast path for each: its start lies below out_ + (7 + i w) / 8.
            // They go four at a time; the rest one by one through put(), which may open the next sub-block.
            const size_t room = fast_end_ - out_;
            size_t fast = room > kWordBytes ? (room - kWordBytes - 1) * kByteBits / w : 0;
            fast = (fast < count ? fast : count) / kGroupCodes * kGroupCodes;
            out_ = static_cast<size_t>(pack_groups(area_ + out_, codes, fast, w) - area_);
            codes += fast;
            count -= fast;
            for (size_t i = 0; i < kGroupCodes && count > 0; ++i, ++codes, --count) {
                if (!put(*codes, width)) {
                    return false;
                }
            }
        }
        return true;
    }

    // Writes out the bits still pending (a partly filled last byte), the last sub-block's length and the
    // empty sub-block that ends the data, and returns the length of the stream; 0 when a ring's drain failed.
    size_t finish()
    {
        if (pending_bits_ > 0) {
            if (!put_byte(static_cast<uint8_t>(pending_))) {
                return 0;
            }
            pending_ = 0;
            pending_bits_ = 0;
        }
        const size_t last = out_ - block_ - 1;
        area_[block_] = static_cast<uint8_t>(last);
        if (last != 0) {
            // With no data at all, the one length byte ends it.
            if (ring_ != 0 && !ring_room(1)) {
                return 0;
            }
            area_[out_++] = 0;
        }
        return wrapped_ + out_;
    }

private:
    static constexpr unsigned kByteBits = 8;
    static constexpr size_t kWordBytes = 8;
    static constexpr size_t kGroupCodes = 4;

    size_t data_stored() const { return wrapped_ + out_ - blocks_; }

    // Four codes of width w joined, the first lowest: at most 48 bits.
    template <unsigned w>
    static uint64_t join(const uint16_t* codes)
    {
        return static_cast<uint64_t>(codes[0]) | static_cast<uint64_t>(codes[1]) << w |
               static_cast<uint64_t>(codes[2]) << (2 * w) | static_cast<uint64_t>(codes[3]) << (3 * w);
    }

    // Packs count codes (a multiple of kGroupCodes) of width w from codes on, four at a time, storing at at
    // behind the pending bits, where the words stay within the sub-block; returns where the next whole byte
    // goes. The width is fixed at compile time, so the shifts that join the codes are constants.
    template <unsigned w>
    uint8_t* pack_groups(uint8_t* at, const uint16_t* codes, size_t count)
    {
        uint64_t pending = pending_;
        unsigned bits = pending_bits_;
        for (size_t i = 0; i < count; i += kGroupCodes) {
            // Behind fewer than 8 pending bits.
            pending |= join<w>(codes + i) << bits;
            bits += kGroupCodes * w;
            store_word(at, pending);
            const unsigned whole = bits / kByteBits;
            at += whole;
            pending >>= whole * kByteBits;
            bits %= kByteBits;
        }
        pending_ = pending;
        pending_bits_ = bits;
        return at;
    }

    // The same for a width w of 1 to 12 known only at run time.
    uint8_t* pack_groups(uint8_t* at, const uint16_t* codes, size_t count, unsigned w)
    {
        switch (w) {
        case 1: return pack_groups<1>(at, codes, count);
        case 2: return pack_groups<2>(at, codes, count);
        case 3: return pack_groups<3>(at, codes, count);
        case 4: return pack_groups<4>(at, codes, count);
        case 5: return pack_groups<5>(at, codes, count);
        case 6: return pack_groups<6>(at, codes, count);
        case 7: return pack_groups<7>(at, codes, count);
        case 8: return pack_groups<8>(at, codes, count);
        case 9: return pack_groups<9>(at, codes, count);
        case 10: return pack_groups<10>(at, codes, count);
        case 11: return pack_groups<11>(at, codes, count);
        default: return pack_groups<12>(at, codes, count);
        }
    }

    // One byte, opening the next sub-block when the current one is full; false when a ring's drain failed.
    bool put_byte(uint8_t byte)
    {
        if (out_ == block_end_) {
            area_[block_] = static_cast<uint8_t>(kSubBlockBytes);
            if (ring_ != 0 && !ring_room(kFramedBlockBytes)) {
                return false;
            }
            block_ = out_++;
            block_end_ = out_ + kSubBlockBytes;
            const size_t limit = limit_ - wrapped_;
            fast_end_ = block_end_ < limit ? block_end_ : limit;
            ++blocks_;
        }
        area_[out_++] = byte;
        return true;
    }

    // Before bytes bytes are stored from out_ on, everything before out_ being final: goes round to the
    // ring's start at its end, and has the drain take what those bytes will replace.
    bool ring_room(size_t bytes)
    {
        if (out_ == ring_) {
            wrapped_ += ring_;
            out_ = 0;
        }
        const size_t needed = wrapped_ + out_ + bytes;
        if (needed > room_end_) {
            room_end_ = drain_->make_room(needed, wrapped_ + out_);
        }
        return needed <= room_end_;
    }

    // Little-endian whatever the machine; compilers merge this into one store where the machine is too.
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

    // Positions in the area (in a ring, the ring's).
    uint8_t* area_;
    size_t out_;        // the first byte not yet stored whole
    size_t block_;      // the length byte of the sub-block being filled
    size_t block_end_;  // where that sub-block's 255 bytes end
    size_t limit_;      // where data byte number capacity would go
    size_t fast_end_;   // the nearer of block_end_ and limit_
    size_t capacity_;     // data bytes
    size_t blocks_;       // length bytes written or reserved so far
    uint64_t pending_;       // bits not yet stored as whole bytes, the oldest lowest
    unsigned pending_bits_;  // below 8 between calls
    // A ring: its size (0: the area is not one), the stream's bytes before its first byte, and how far the
    // stream may go before the drain is asked again. Positions above are then the ring's own; limit_ stays
    // one of the stream.
    size_t ring_;
    size_t wrapped_;
    size_t room_end_;
    RingDrain* drain_;
};

#endif
