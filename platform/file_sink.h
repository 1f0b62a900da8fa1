// The sink of an output file that is complete or absent (PendingOutput): bytes are gathered in a buffer and
// go to the file in large writes, and the file is named only by commit. Every failure to write is found here,
// and only here: a refused write says how many of its own bytes reached the file, and commit fails when the
// rest cannot be written, synced or named.
//
// Call sequence: open -> write ... -> commit; destroyed without a successful commit, it leaves nothing behind.
#ifndef VASTRELMON_PLATFORM_FILE_SINK_H
#define VASTRELMON_PLATFORM_FILE_SINK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/byte_sink.h"
#include "platform/malloc_buffer.h"
#include "platform/pending_output.h"

class FileSink : public ByteSink {
public:
    FileSink() = default;
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Prepares final_path (see PendingOutput::open); false with errno set, name_taken() when the name exists.
    bool open(const char* final_path, const OutputOptions& options = OutputOptions());

    // False once any write to the file failed; nothing is taken after that.
    bool write(const void* data, size_t size) override;
    size_t written_of_refused() const override { return refused_written_; }

    // Writes what is held, syncs and names the file: 0 when final_path holds the whole file, 1 otherwise
    // (nothing is left then; name_taken() tells whether the name came to exist meanwhile).
    int commit();
    bool name_taken() const { return target_.name_taken(); }

private:
    bool send(const void* data, size_t size);
    bool refuse(uint64_t block_start, size_t size);

    PendingOutput target_;
    std::FILE* stream_ = nullptr;  // unbuffered: this sink buffers
    MallocBuffer<uint8_t> buffer_;
    size_t held_ = 0;
    uint64_t taken_ = 0;    // bytes taken by write
    uint64_t in_file_ = 0;  // bytes that reached the file
    uint64_t since_writeback_ = 0;
    size_t refused_written_ = 0;
    bool failed_ = false;
};

#endif
