#include "bmp/bmp_file.h"


#include "platform/files.h"
#include "bmp/bmp_errors.h"

using namespace bmp_errors;

clFile::clFile() : error_code(0)
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
    if (source.is_open()) {
        return fail(this, kAlreadyOpen, shown);
    }
    // Folders and FIFOs are refused here rather than failing (or blocking)
    // at the first read.
    source.attach_file(name != nullptr ? open_regular_for_reading(name) : nullptr);
    if (!source.is_open()) {
        return fail(this, kCantOpen, shown);
    }
    return 0;
}

int clFile::open_memory(const uint8_t* data, size_t size)
{
    if (source.is_open()) {
        return fail(this, kAlreadyOpen, "");
    }
    source.attach_memory(data, size);
    return 0;
}

void clFile::close()
{
    source.close();
}

int clFile::move_to(int64_t offset, const ErrorEntry& seek_error, const ErrorEntry& tell_error)
{
    if (!source.is_open() || offset < 0 || source.seek(offset, SEEK_SET) != 0) {
        return fail(this, seek_error);
    }
    if (source.tell() != offset) {
        return fail(this, tell_error);
    }
    return 0;
}
