// The error record every module object carries: a code and a formatted text.
//
// Each failure of a module is described once, in a table of ErrorEntry values (code, fixed line number, text
// format). record_error writes the text as ":CCCCCC:LLLLL:" (code in six upper-case hex digits, line in five
// decimal digits) and the formatted failure text, all within kErrorTextLimit bytes including the terminator.
#ifndef VASTRELMON_PLATFORM_ERROR_RECORD_H
#define VASTRELMON_PLATFORM_ERROR_RECORD_H

#include <cstdint>

constexpr int kErrorTextSize = 1024;
constexpr int kErrorTextLimit = 1020;

struct ErrorEntry {
    uint32_t code;
    int line;
    const char* format;  // printf format of the text after the prefix
};

// Stores entry->code in *code and the formatted text in text, a buffer of
// kErrorTextSize bytes. The extra arguments feed entry->format.
void record_error(uint32_t* code, char* text, const ErrorEntry* entry, ...);

// Records entry in object's error record and returns 1, the failure status,
// so a failing operation can end with `return fail(this, entry, args...)`.
template <typename Object, typename... Args>
int fail(Object* object, const ErrorEntry& entry, Args... args)
{
    record_error(&object->error_code, object->error_text, &entry, args...);
    return 1;
}

#endif
