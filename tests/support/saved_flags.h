// Tests that print through the catalogue start quiet and in English, and
// leave the process-wide flags and the console language as they found them.
#ifndef VASTRELMON_TESTS_SUPPORT_SAVED_FLAGS_H
#define VASTRELMON_TESTS_SUPPORT_SAVED_FLAGS_H

#include "console/messages.h"
#include "console/options.h"

class SavedFlags {
public:
    SavedFlags() : verbose_(verbose), language_(console_language())
    {
        verbose = false;
        set_console_language(ConsoleLanguage::kEnglish);
    }
    ~SavedFlags()
    {
        verbose = verbose_;
        set_console_language(language_);
    }
    SavedFlags(const SavedFlags&) = delete;
    SavedFlags& operator=(const SavedFlags&) = delete;

private:
    bool verbose_;
    ConsoleLanguage language_;
};

#endif
