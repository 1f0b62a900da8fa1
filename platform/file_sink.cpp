#include "platform/file_sink.h"

#include <cstring>

#include "platform/files.h"

namespace {

// The file gets whole blocks of this size, the last part of a write staying here until the next or the
// commit; the bulk of a large write goes to the file without a copy.
constexpr size_t kBufferBytes = 4096;
// After this much the system is told to start writing back, so the sync before naming finds most of it done.
constexpr uint64_t kWritebackBytes = uint64_t{8} << 20;

}  // namespace

FileSink::~FileSink()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);  // abandoned: target_ removes the file
    }
}

bool FileSink::open(const char* final_path, const OutputOptions& options)
{
    buffer_ = allocate_buffer<uint8_t>(kBufferBytes, false);
    if (!buffer_) {
        return false;
    }
    stream_ = target_.open(final_path, options);
    if (stream_ == nullptr) {
        return false;
    }
    std::setvbuf(stream_, nullptr, _IONBF, 0);
    return true;
}

bool FileSink::send(const void* data, size_t size)
{
    const size_t written = std::fwrite(data, 1, size, stream_);
    in_file_ += written;
    since_writeback_ += written;
    if (since_writeback_ >= kWritebackBytes) {
        since_writeback_ = 0;
        start_writeback(stream_);
    }
    return written == size;
}

bool FileSink::refuse(uint64_t block_start, size_t size)
{
    failed_ = true;
    const uint64_t reached = in_file_ > block_start ? in_file_ - block_start : 0;
    refused_written_ = reached < size ? static_cast<size_t>(reached) : size;
    return false;
}

bool FileSink::write(const void* data, size_t size)
{
    if (failed_ || stream_ == nullptr) {
        refused_written_ = 0;
        return false;
    }
    const uint64_t block_start = taken_;
    taken_ += size;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (size >= kBufferBytes - held_) {
        const size_t top_up = kBufferBytes - held_;
        std::memcpy(buffer_.get() + held_, bytes, top_up);
        held_ = 0;
        bytes += top_up;
        size -= top_up;
        const size_t whole = size / kBufferBytes * kBufferBytes;
        if (!send(buffer_.get(), kBufferBytes) || !send(bytes, whole)) {
            return refuse(block_start, static_cast<size_t>(taken_ - block_start));
        }
        bytes += whole;
        size -= whole;
    }
    std::memcpy(buffer_.get() + held_, bytes, size);
    held_ += size;
    return true;
}

int FileSink::commit()
{
    if (stream_ == nullptr) {
        return 1;
    }
    const bool sent = !failed_ && send(buffer_.get(), held_);
    held_ = 0;
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (!sent) {
        failed_ = true;
        std::fclose(stream);
        return 1;
    }
    return target_.commit(stream);
}
