#include "platform/byte_sink.h"

#include <cstdlib>
#include <cstring>

namespace {

// A first block big enough for a small GIF in one go.
constexpr size_t kFirstCapacity = size_t{64} << 10;

}  // namespace

MemorySink::~MemorySink()
{
    std::free(data_);
}

bool MemorySink::write(const void* data, size_t size)
{
    if (size > capacity_ - size_) {
        if (size > SIZE_MAX - size_) {
            return false;
        }
        // Doubling keeps the copies of a growing GIF to about its size.
        size_t capacity = capacity_ != 0 ? capacity_ : kFirstCapacity;
        while (capacity < size_ + size) {
            capacity = capacity > SIZE_MAX / 2 ? size_ + size : capacity * 2;
        }
        void* grown = std::realloc(data_, capacity);
        if (grown == nullptr) {
            return false;
        }
        data_ = static_cast<uint8_t*>(grown);
        capacity_ = capacity;
    }
    if (size != 0) {
        std::memcpy(data_ + size_, data, size);
        size_ += size;
    }
    return true;
}

uint8_t* MemorySink::take(size_t* size)
{
    uint8_t* data = data_;
    *size = size_;
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    return data;
}
