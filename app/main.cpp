// Entry point. The exit status -1 of a failed run reaches a POSIX shell as
// 255.
#include "app/driver.h"

int main(int argc, char** argv)
{
    return run_program(argc, argv);
}
