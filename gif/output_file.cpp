// The encoder's output file: created exclusively, closed with its outcome
// checked, because a file whose last buffer never reached the disk is a
// truncated GIF.
#include "gif/gif_file.h"

#include "platform/files.h"

namespace {

const ErrorEntry kAlreadyOpen = {kGifFileOpen, 152, "file already opened.[%s]"};
const ErrorEntry kCannotOpen = {kGifFileNotOpen, 161, "file don't open.[%s]"};
const ErrorEntry kCannotClose = {kGifWriteError, 171, "I/O write error.[Can't close]"};

}  // namespace

int clGIFFile::open_file(const char* path)
{
    if (output_file != nullptr) {
        return fail(this, kAlreadyOpen, path);
    }
    // Exclusive creation: a file that appeared since the caller looked, or
    // one that exists but cannot be read, is refused rather than truncated.
    output_file = create_exclusive(path);
    if (output_file == nullptr) {
        return fail(this, kCannotOpen, path);
    }
    return 0;
}

int clGIFFile::close_file()
{
    if (output_file == nullptr) {
        return 0;
    }
    bool flushed = std::fflush(output_file) == 0;
    bool closed = std::fclose(output_file) == 0;
    output_file = nullptr;
    if (!flushed || !closed) {
        return fail(this, kCannotClose);
    }
    return 0;
}
