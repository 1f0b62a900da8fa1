#include "bmp/byte_source.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

void ByteSource::attach_memory(const uint8_t* bytes, size_t size)
{
    bytes_ = bytes;
    size_ = bytes != nullptr ? size : 0;
    position_ = 0;
    in_memory_ = true;
}

void ByteSource::close()
{
    view_.close();
    if (file_ != nullptr) {
        std::fclose(file_);  // read-only: nothing can be lost
        file_ = nullptr;
    }
    in_memory_ = false;
    bytes_ = nullptr;
    size_ = 0;
    position_ = 0;
}

int ByteSource::seek(int64_t offset, int whence)
{
    if (file_ != nullptr) {
        return seek_file(file_, offset, whence);
    }
    if (!in_memory_) {
        return -1;
    }
    int64_t base = whence == SEEK_END ? static_cast<int64_t>(size_)
                   : whence == SEEK_CUR ? position_
                                        : 0;
    if (offset < 0 ? base < -offset : offset > INT64_MAX - base) {
        return -1;
    }
    position_ = base + offset;
    return 0;
}

int64_t ByteSource::tell()
{
    if (file_ != nullptr) {
        return tell_file(file_);
    }
    return in_memory_ ? position_ : -1;
}

size_t ByteSource::read(void* out, size_t item_size, size_t items)
{
    if (file_ != nullptr) {
        return std::fread(out, item_size, items, file_);
    }
    if (!in_memory_ || item_size == 0 || position_ >= static_cast<int64_t>(size_)) {
        return 0;
    }
    size_t available = size_ - static_cast<size_t>(position_);
    size_t whole = std::min(items, available / item_size);
    // Like fread, a partial last item is consumed too.
    size_t bytes = std::min(available, items * item_size);
    std::memcpy(out, bytes_ + position_, bytes);
    position_ += static_cast<int64_t>(bytes);
    return whole;
}

int64_t ByteSource::size()
{
    if (file_ != nullptr) {
        return file_size(file_);
    }
    return in_memory_ ? static_cast<int64_t>(size_) : -1;
}

int64_t ByteSource::read_at(int64_t offset, const ReadPiece* pieces, int count)
{
    if (file_ != nullptr) {
        return read_scattered(file_, offset, pieces, count);
    }
    if (!in_memory_ || offset < 0) {
        return -1;
    }
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t at = offset + total;
        if (at >= static_cast<int64_t>(size_)) {
            break;
        }
        const size_t n = std::min(pieces[i].size, size_ - static_cast<size_t>(at));
        std::memcpy(pieces[i].data, bytes_ + at, n);
        total += static_cast<int64_t>(n);
        if (n < pieces[i].size) {
            break;
        }
    }
    return total;
}

void ByteSource::expect_reads(int64_t offset, int64_t length)
{
    if (file_ != nullptr) {
        ::expect_reads(file_, offset, length);
    }
}
