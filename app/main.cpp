// Entry point. The exit status -1 of a failed run reaches a POSIX shell as
// 255.
#include <cstdio>

#include "app/driver.h"

int main(int argc, char** argv)
{
    // Each message line goes out when it is complete, also into a pipe, so
    // whoever watches the run sees how far it got.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return run_program(argc, argv);
}
