// Where clFile reads from: an open file or a span of bytes in memory, with
// the same seek, tell and read rules for both, so the checks above it see no
// difference. Private to bmp/.
#ifndef VASTRELMON_BMP_BYTE_SOURCE_H
#define VASTRELMON_BMP_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/file_view.h"
#include "platform/files.h"

class ByteSource {
public:
    ByteSource() = default;
    ~ByteSource() { close(); }
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    bool is_open() const { return file_ != nullptr || in_memory_; }
    // Takes ownership of an open file (null: stays closed).
    void attach_file(std::FILE* file) { file_ = file; }
    // Reads the caller's bytes, which must outlive the reading.
    void attach_memory(const uint8_t* bytes, size_t size);
    void close();

    // As fseek/ftell/fread: a position beyond the end is allowed and reads
    // nothing; a negative one is refused. seek returns 0 on success; tell
    // returns -1 on failure; read returns the number of whole items read.
    int seek(int64_t offset, int whence);
    int64_t tell();
    size_t read(void* out, size_t item_size, size_t items);
    // The bytes there are in all, or -1 when that is not known.
    int64_t size();
    // Reads the bytes from offset on into the pieces in turn (at most
    // kMaxReadPieces) without moving the position; the bytes read (fewer at
    // the end), or -1 where the source cannot.
    int64_t read_at(int64_t offset, const ReadPiece* pieces, int count);
    // The bytes [offset, offset + length) will be read soon (a file only).
    void expect_reads(int64_t offset, int64_t length);
    // Maps a file's first length bytes into memory for mapped_at; false
    // where that cannot be done (bytes in memory need no mapping).
    bool map(int64_t length) { return file_ != nullptr && view_.open(file_, length); }
    // The mapping's size bytes from offset on where they lie, or null (see
    // FileView::at).
    const uint8_t* mapped_at(int64_t offset, size_t size) const { return view_.at(offset, size); }
    // Drops the mapping; whether the file still held every mapped byte as
    // it was mapped.
    bool unmap() { return view_.release(); }

private:
    std::FILE* file_ = nullptr;  // owned; closed by close()
    FileView view_;              // of file_, or none
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    int64_t position_ = 0;
    bool in_memory_ = false;
};

#endif
