// The image data on its way to the sink (private to gif/): the code size byte, then the coded data framed in
// sub-blocks, packed into a ring of memory emptied into the sink when the packer needs its room again and at
// the end. A picture's data thus takes a fixed, small buffer whose pages stay warm, however big the picture.
#ifndef VASTRELMON_GIF_CODED_DATA_H
#define VASTRELMON_GIF_CODED_DATA_H

#include <cstddef>
#include <cstdint>

#include "gif/bit_packer.h"
#include "gif/gif_file.h"
#include "platform/malloc_buffer.h"

class CodedData : public RingDrain {
public:
    // A multiple of a framed sub-block; big enough that the sink gets few, large writes.
    static constexpr size_t kRingBytes = size_t{256} << 10;

    // Data bytes the coders may store: two a pixel, plus room for the tiniest pictures' clear and end codes.
    static constexpr uint64_t capacity_for(uint64_t pixels) { return 2 * pixels + 8; }

    // Takes the ring and writes the code size byte; 1 with the encoder's error filled when either fails.
    int start(clGIFFile* gif, ByteSink* sink, int min_code_size);
    uint8_t* ring() { return ring_.get(); }

    // RingDrain: sends the settled bytes on; 0 once the sink refused them.
    size_t make_room(size_t needed, size_t settled) override;
    // After the packer's finish: sends the rest of the length bytes.
    bool finish(size_t length);
    // Whether the sink refused the data (rather than the packer running out of room).
    bool refused() const { return refused_; }
    // Fills the encoder's error for a failed coder: the sink's refusal, or else the entry given.
    int fail_coder(clGIFFile* gif, const ErrorEntry& entry) const;

private:
    bool send(size_t end);

    MallocBuffer<uint8_t> ring_;
    ByteSink* sink_ = nullptr;
    size_t sent_ = 0;  // stream bytes already in the sink
    bool refused_ = false;
};

#endif
