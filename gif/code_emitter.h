// The code side of GIF image data shared by both coders: the code values fixed by the minimum code size, and
// the width rule that keeps the encoder in step with a decoder's growing string table.
//
// A decoder adds one string for every code after the first one following a clear code, and reads wider codes
// from the moment its next free code reaches 2^width. The emitter counts the strings the same way, so it
// widens its codes at that moment and tells the caller when the table is full.
//
// The emitter owns its bit packer, so a coder that keeps it as a local object has all its state in registers.
#ifndef VASTRELMON_GIF_CODE_EMITTER_H
#define VASTRELMON_GIF_CODE_EMITTER_H

#include <cstddef>
#include <cstdint>

#include "gif/bit_packer.h"

// Codes are at most 12 bits wide, so a table holds codes 0 to 4095.
constexpr int kMaxCodeWidth = 12;
constexpr int kCodeLimit = 1 << kMaxCodeWidth;

class CodeEmitter {
public:
    // Codes go into area (capacity bytes) as BitPacker packs them; with drain, area is a ring of ring_bytes
    // (see BitPacker). min_code_size b (2..8): pixel codes 0..2^b-1, then the clear and end codes.
    CodeEmitter(uint8_t* area, size_t capacity, int min_code_size, size_t ring_bytes = 0,
                RingDrain* drain = nullptr)
        : clear_code(1 << min_code_size),
          end_code(clear_code + 1),
          packer_(area, capacity, ring_bytes, drain),
          initial_width_(min_code_size + 1),
          initial_limit_((1 << (min_code_size + 1)) - 1)
    {
        start_over();
    }

    // Each emit returns false when the coded-data area has filled up.

    // Emits the clear code at the current width; the table starts over.
    bool emit_clear()
    {
        if (!packer_.put(static_cast<uint32_t>(clear_code), width_)) {
            return false;
        }
        start_over();
        return true;
    }

    // Emits the end code at the current width.
    bool emit_end() { return packer_.put(static_cast<uint32_t>(end_code), width_); }

    // Emits a string's code and counts the string the decoder adds, widening later codes when the decoder does.
    bool emit_string(uint32_t code)
    {
        if (!packer_.put(code, width_)) {
            return false;
        }
        if (next_code_ > width_limit_) {
            width_limit_ = 2 * width_limit_ + 1;
            ++width_;
        }
        ++next_code_;
        return true;
    }

    // Emits the codes of count strings from the start of codes, as emit_string would one by one, until all
    // are out or the table is full (a clear code must come next); *emitted says how many went out. The codes
    // between two widenings go out as one run.
    bool emit_strings(const uint16_t* codes, size_t count, size_t* emitted)
    {
        size_t done = 0;
        while (done < count && next_code_ < kCodeLimit) {
            // Codes emitted while next_code_ is at most width_limit_ + 1; the last widens the codes after it.
            size_t run = static_cast<size_t>(width_limit_ + 2 - next_code_);
            const size_t to_full = static_cast<size_t>(kCodeLimit - next_code_);
            run = run < to_full ? run : to_full;
            run = run < count - done ? run : count - done;
            if (!packer_.put_run(codes + done, run, width_)) {
                return false;
            }
            next_code_ += static_cast<int>(run);
            done += run;
            if (next_code_ > width_limit_ + 1) {
                width_limit_ = 2 * width_limit_ + 1;
                ++width_;
            }
        }
        *emitted = done;
        return true;
    }

    // Stores the last, partly filled byte; the length of the stream, 0 when a ring's drain failed.
    size_t finish() { return packer_.finish(); }

    // The code the next new string gets.
    int next_code() const { return next_code_; }
    // No code is left for a new string: a clear code must come next.
    bool table_full() const { return next_code_ == kCodeLimit; }

    const int clear_code;
    const int end_code;

private:
    void start_over()
    {
        next_code_ = end_code + 1;
        width_ = initial_width_;
        width_limit_ = initial_limit_;
    }

    BitPacker packer_;
    const int initial_width_;
    const int initial_limit_;
    int next_code_;    // code of the next new string
    int width_;        // bits per code
    int width_limit_;  // largest code that fits width_ bits
};

#endif
