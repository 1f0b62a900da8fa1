// A failure of a conversion as the program prints it (its message, the
// message's argument, and with /v the failing object's text) and the
// library's status for it: one form for every step. Private to lib/ and
// app/.
#ifndef VASTRELMON_LIB_FAILURE_H
#define VASTRELMON_LIB_FAILURE_H

#include <cstdio>

#include "console/messages.h"
#include "platform/error_record.h"
#include "vastrelmon.h"

namespace conversion {

struct Failure {
    vastrelmon_status status = VASTRELMON_OK;
    MessageId id = MSG_BMP_READ_FAILED;
    MessageArgument argument;
    char detail[kErrorTextSize] = {};
    // The coder could not have a row from its source: the source's own
    // failure is the one to tell.
    bool rows_missing = false;
};

// Fills failure and returns its status.
inline vastrelmon_status fill(Failure* failure, vastrelmon_status status, MessageId id,
                              MessageArgument argument = MessageArgument(), const char* detail = "")
{
    failure->status = status;
    failure->id = id;
    failure->argument = argument;
    std::snprintf(failure->detail, sizeof failure->detail, "%s", detail);
    return status;
}

}  // namespace conversion

#endif
