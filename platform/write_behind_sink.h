// A sink that hands its bytes to another sink on a second thread: the caller's bytes are copied into one of a
// few chunks, and a full chunk is written (to a file, mostly) while the caller goes on producing the next.
// Where no second thread can be had, the caller writes each full chunk itself. Only the timing changes: the
// other sink gets the same chunks either way, and a refusal is told by drain, never earlier, so the caller
// sees the same failure, after the same work, whether or not a second thread ran.
#ifndef VASTRELMON_PLATFORM_WRITE_BEHIND_SINK_H
#define VASTRELMON_PLATFORM_WRITE_BEHIND_SINK_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/byte_sink.h"
#include "platform/malloc_buffer.h"
#include "platform/side_thread.h"

class WriteBehindSink : public ByteSink {
public:
    explicit WriteBehindSink(ByteSink* next) : next_(next) {}
    // Drains and stops the second thread.
    ~WriteBehindSink() override;
    WriteBehindSink(const WriteBehindSink&) = delete;
    WriteBehindSink& operator=(const WriteBehindSink&) = delete;

    // Takes the chunks and starts the second thread where one can be had;
    // false when the chunks cannot be had (the sink is then unusable).
    bool start();

    // Refuses only when start failed; other failures wait for drain.
    bool write(const void* data, size_t size) override;
    // Of the chunk the other sink refused.
    size_t written_of_refused() const override { return refused_written_; }
    // Sends what is held and waits until every byte taken is in the other sink; false when it refused any.
    bool drain() override;

private:
    static constexpr int kChunks = 4;
    static constexpr size_t kChunkBytes = size_t{256} << 10;
    // How often the idle writer looks for a chunk: well below the time the coder takes to fill one.
    static constexpr long kPollNanoseconds = 50000;

    static void run(void* self) { static_cast<WriteBehindSink*>(self)->write_chunks(); }
    void write_chunks();
    // Hands the chunk being filled to the second thread and waits for the next one to be free.
    void hand_over();

    // Writes chunk k to the other sink unless it refused one already.
    void write_chunk(int k, size_t size);

    ByteSink* next_;
    bool running_ = false;  // the second thread
    MallocBuffer<uint8_t> chunks_;
    // Bytes of each chunk waiting to be written; 0: free to be filled.
    std::atomic<size_t> waiting_[kChunks] = {};
    std::atomic<bool> failed_{false};
    std::atomic<bool> quit_{false};
    int filling_ = 0;   // the chunk the caller fills
    size_t filled_ = 0; // its bytes so far
    size_t refused_written_ = 0;
    SideWait wait_;
    SideThread thread_;
};

#endif
