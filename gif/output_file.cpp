// The encoder's output file: written where it has no name yet, synced, and
// given its name only once it is complete, in a step that refuses a name
// that exists. A file whose last buffer never reached the disk is a
// truncated GIF, so every step of the close is checked.
#include "gif/gif_file.h"

namespace {

const ErrorEntry kAlreadyOpen = {kGifFileOpen, 152, "file already opened.[%s]"};
const ErrorEntry kCannotOpen = {kGifFileNotOpen, 161, "file don't open.[%s]"};
const ErrorEntry kCannotClose = {kGifWriteError, 171, "I/O write error.[Can't close]"};
const ErrorEntry kNameTaken = {kGifAlreadyCreated, 176, "file already exists."};

}  // namespace

int clGIFFile::open_file(const char* path, const OutputOptions& options)
{
    if (output_file != nullptr) {
        return fail(this, kAlreadyOpen, path);
    }
    // A name that exists already, or one that exists but cannot be read, is
    // refused rather than touched.
    output_file = output_target.open(path, options);
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
    std::FILE* file = output_file;
    output_file = nullptr;
    if (output_target.commit(file) != 0) {
        return fail(this, output_target.name_taken() ? kNameTaken : kCannotClose);
    }
    return 0;
}
