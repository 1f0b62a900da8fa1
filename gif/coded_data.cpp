#include "gif/coded_data.h"

namespace {

const ErrorEntry kRingMemory = {kGifNoMemory, 478, "can't allocate memory.[G]"};
const ErrorEntry kCodeSizeShort = {kGifWriteError, 836, "I/O write error.[Can't write(%d)]"};
const ErrorEntry kDataBlockShort = {kGifWriteError, 858, "I/O write error.[Can't write(%d)]"};

}  // namespace

int CodedData::start(clGIFFile* gif, ByteSink* sink, int min_code_size)
{
    ring_ = allocate_buffer<uint8_t>(kRingBytes, false);
    if (!ring_) {
        return fail(gif, kRingMemory);
    }
    sink_ = sink;
    const uint8_t code_size = static_cast<uint8_t>(min_code_size);
    if (!sink->write(&code_size, sizeof code_size)) {
        refused_ = true;
        return fail(gif, kCodeSizeShort, static_cast<int>(sink->written_of_refused()));
    }
    return 0;
}

bool CodedData::send(size_t end)
{
    // The bytes may go round the ring's end: then in two writes.
    while (!refused_ && sent_ < end) {
        const size_t at = sent_ % kRingBytes;
        const size_t length = end - sent_ < kRingBytes - at ? end - sent_ : kRingBytes - at;
        refused_ = !sink_->write(ring_.get() + at, length);
        sent_ += length;
    }
    return !refused_;
}

// The packer checks what it needs against the room returned.
size_t CodedData::make_room(size_t, size_t settled)
{
    return send(settled) ? sent_ + kRingBytes : 0;
}

bool CodedData::finish(size_t length)
{
    // A sink that writes on another thread has found out by now whether the data could be written.
    if (length != 0 && send(length) && !sink_->drain()) {
        refused_ = true;
    }
    return length != 0 && !refused_;
}

int CodedData::fail_coder(clGIFFile* gif, const ErrorEntry& entry) const
{
    if (refused_) {
        return fail(gif, kDataBlockShort, static_cast<int>(sink_->written_of_refused()));
    }
    return fail(gif, entry);
}
