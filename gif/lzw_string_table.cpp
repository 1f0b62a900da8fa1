#include "gif/lzw_string_table.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kEntries = static_cast<size_t>(kCodeLimit) * LzwStringTable::kPixelValues;

}  // namespace

LzwStringTable::~LzwStringTable()
{
    std::free(child_table_);
}

bool LzwStringTable::allocate()
{
    if (child_table_ == nullptr) {
        child_table_ = static_cast<int16_t*>(std::malloc(kEntries * sizeof *child_table_));
    }
    return child_table_ != nullptr;
}

void LzwStringTable::reset()
{
    // Every byte 0xFF makes every entry -1, kNoString.
    std::memset(child_table_, 0xFF, kEntries * sizeof *child_table_);
}
