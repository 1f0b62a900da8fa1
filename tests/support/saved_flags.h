// Tests that print through the catalogue start quiet and in English, and
// leave the process-wide flags as they found them.
#ifndef VASTRELMON_TESTS_SUPPORT_SAVED_FLAGS_H
#define VASTRELMON_TESTS_SUPPORT_SAVED_FLAGS_H

#include "console/messages.h"
#include "console/options.h"

class SavedFlags {
public:
    SavedFlags() : verbose_(verbose), english_(use_english)
    {
        verbose = false;
        use_english = true;
    }
    ~SavedFlags()
    {
        verbose = verbose_;
        use_english = english_;
    }
    SavedFlags(const SavedFlags&) = delete;
    SavedFlags& operator=(const SavedFlags&) = delete;

private:
    bool verbose_;
    bool english_;
};

#endif
