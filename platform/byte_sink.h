// Where an encoder's bytes go, in file order, and the sink that keeps them in memory for a caller to take.
#ifndef VASTRELMON_PLATFORM_BYTE_SINK_H
#define VASTRELMON_PLATFORM_BYTE_SINK_H

#include <cstddef>
#include <cstdint>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Takes size bytes after those before; false when they could not all be taken (the sink says why).
    virtual bool write(const void* data, size_t size) = 0;
    // After a refused write: how many of its bytes reached their place (for a file's sink, the file).
    virtual size_t written_of_refused() const { return 0; }
    // Waits until every byte taken is in place (for a sink writing on another thread); false when some were refused.
    virtual bool drain() { return true; }
};

// A buffer that grows as bytes come; its only failure is memory.
class MemorySink : public ByteSink {
public:
    MemorySink() = default;
    ~MemorySink() override;
    MemorySink(const MemorySink&) = delete;
    MemorySink& operator=(const MemorySink&) = delete;

    bool write(const void* data, size_t size) override;
    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    // Hands the bytes (from malloc; the caller frees them) and their count
    // over, leaving the sink empty. Null when there are none.
    uint8_t* take(size_t* size);

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

#endif
