#include "platform/error_record.h"

#include <cstdarg>
#include <cstdio>

void record_error(uint32_t* code, char* text, const ErrorEntry* entry, ...)
{
    *code = entry->code;
    int used = std::snprintf(text, kErrorTextLimit, ":%06X:%05d:",
                             static_cast<unsigned>(entry->code), entry->line);
    if (used < 0 || used >= kErrorTextLimit) {
        return;  // cannot happen: the prefix is 14 bytes
    }
    va_list args;
    va_start(args, entry);
    std::vsnprintf(text + used, static_cast<size_t>(kErrorTextLimit - used), entry->format, args);
    va_end(args);
}
