#include "bmp/bmp_file.h"


#include "platform/files.h"
#include "bmp/bmp_errors.h"

using namespace bmp_errors;

clFile::clFile() : error_code(0), file(nullptr)
{
    error_text[0] = '\0';
}

clFile::~clFile()
{
    close();
}

int clFile::open(const char* name)
{
    const char* shown = name != nullptr ? name : "";
    if (file != nullptr) {
        return fail(this, kAlreadyOpen, shown);
    }
    // Folders and FIFOs are refused here rather than failing (or blocking)
    // at the first read.
    file = name != nullptr ? open_regular_for_reading(name) : nullptr;
    if (file == nullptr) {
        return fail(this, kCantOpen, shown);
    }
    return 0;
}

int clFile::close()
{
    if (file != nullptr) {
        std::fclose(file);  // read-only: nothing can be lost
        file = nullptr;
    }
    return 0;
}

int clFile::move_to(int64_t offset, const ErrorEntry& seek_error, const ErrorEntry& tell_error)
{
    if (file == nullptr || offset < 0 || seek_file(file, offset, SEEK_SET) != 0) {
        return fail(this, seek_error);
    }
    if (tell_file(file) != offset) {
        return fail(this, tell_error);
    }
    return 0;
}
