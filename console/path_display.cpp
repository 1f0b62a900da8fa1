#include "console/path_display.h"

#include <cstring>

namespace {

// Lead bytes of a code page 932 double-byte character.
bool is_lead_byte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

void display_name(const char* path, bool double_byte, char* out, size_t out_size)
{
    if (out_size == 0) {
        return;
    }
    const char* start = path;
    if (path[0] != '\0' && path[1] == ':') {
        start = path + 2;
    }
    const char* component = start;
    for (const char* p = start; *p != '\0'; ++p) {
        if (double_byte && is_lead_byte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            ++p;  // the trail byte may be 0x5C ('\'), and is not a separator
            continue;
        }
        if (*p == '\\' || *p == '/') {
            component = p + 1;
        }
    }
    size_t length = std::strlen(component);
    if (length >= out_size) {
        length = out_size - 1;
    }
    std::memcpy(out, component, length);
    out[length] = '\0';
}
