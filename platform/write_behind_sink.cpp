#include "platform/write_behind_sink.h"

#include <cstring>

namespace {

// Whether the chunk whose count of waiting bytes is at context is free.
bool chunk_free(const void* context)
{
    return static_cast<const std::atomic<size_t>*>(context)->load() == 0;
}

}  // namespace

WriteBehindSink::~WriteBehindSink()
{
    if (running_) {
        drain();
        quit_.store(true);
        wait_.wake_all();
        thread_.join();
    }
}

bool WriteBehindSink::start()
{
    chunks_ = allocate_buffer<uint8_t>(kChunks * kChunkBytes, false);
    running_ = chunks_ && thread_.start(run, this);
    return chunks_ != nullptr;
}

void WriteBehindSink::write_chunk(int k, size_t size)
{
    if (!failed_.load() && !next_->write(chunks_.get() + k * kChunkBytes, size)) {
        refused_written_ = next_->written_of_refused();
        failed_.store(true);
    }
}

void WriteBehindSink::write_chunks()
{
    for (int k = 0;; k = (k + 1) % kChunks) {
        struct Look {
            const WriteBehindSink* sink;
            int chunk;
        } look = {this, k};
        // Mostly idle: it looks for work now and then, so handing a chunk over costs the coder no wake-up.
        wait_.poll_until(
            [](const void* context) {
                const Look* l = static_cast<const Look*>(context);
                return l->sink->waiting_[l->chunk].load() != 0 || l->sink->quit_.load();
            },
            &look, kPollNanoseconds);
        const size_t size = waiting_[k].load();
        if (size == 0) {
            return;  // quit, with nothing left to write
        }
        write_chunk(k, size);
        waiting_[k].store(0);
        wait_.wake_all();
    }
}

void WriteBehindSink::hand_over()
{
    if (!running_) {
        write_chunk(filling_, filled_);
        filled_ = 0;
        return;
    }
    waiting_[filling_].store(filled_);
    filling_ = (filling_ + 1) % kChunks;
    filled_ = 0;
    wait_.wait_until(chunk_free, &waiting_[filling_]);
}

bool WriteBehindSink::write(const void* data, size_t size)
{
    if (!chunks_) {
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const size_t n = kChunkBytes - filled_ < size ? kChunkBytes - filled_ : size;
        std::memcpy(chunks_.get() + filling_ * kChunkBytes + filled_, bytes, n);
        filled_ += n;
        bytes += n;
        size -= n;
        if (filled_ == kChunkBytes) {
            hand_over();
        }
    }
    return true;
}

bool WriteBehindSink::drain()
{
    if (!chunks_) {
        return false;
    }
    if (filled_ > 0) {
        hand_over();
    }
    for (int k = 0; running_ && k < kChunks; ++k) {
        wait_.wait_until(chunk_free, &waiting_[k]);
    }
    return !failed_.load() && next_->drain();
}
