// The program's run, from banner to exit status.
#ifndef VASTRELMON_APP_DRIVER_H
#define VASTRELMON_APP_DRIVER_H

// Runs the program on the command line and returns its exit status: 0, or
// -1 when a stage failed.
int run_program(int argc, const char* const* argv);

#endif
