#include "common/error_record.h"

#include <cstdarg>
#include <cstdio>

void record_error(uint32_t* code, char* text, const ErrorSpec* spec, ...)
{
    *code = spec->code;
    int used = std::snprintf(text, kErrorTextLimit, ":%06X:%05d:",
                             static_cast<unsigned>(spec->code), spec->line);
    if (used < 0 || used >= kErrorTextLimit) {
        return;  // cannot happen: the prefix is 14 bytes
    }
    va_list args;
    va_start(args, spec);
    std::vsnprintf(text + used, static_cast<size_t>(kErrorTextLimit - used), spec->format, args);
    va_end(args);
}
