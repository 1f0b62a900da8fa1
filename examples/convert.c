/* A BMP file to a GIF file through libvastrelmon, as `vastrelmon IN OUT`
 * does with no options:
 *   convert IN.bmp OUT.gif
 * Build: cc convert.c $(pkg-config --cflags --libs vastrelmon) -o convert
 * (tests/install builds it so, and with CMake's find_package). */
#include <stdio.h>

#include <vastrelmon.h>

int main(int argc, char **argv)
{
    vastrelmon_options options;
    vastrelmon_result result;
    vastrelmon_status status;

    if (argc != 3) {
        fprintf(stderr, "usage: %s IN.bmp OUT.gif\n", argv[0]);
        return 2;
    }
    vastrelmon_options_init(&options);
    vastrelmon_result_init(&result);
    status = vastrelmon_convert_file(argv[1], argv[2], &options, &result);
    if (status != VASTRELMON_OK) {
        /* The status number first: scripts tell the failures apart by it. */
        fprintf(stderr, "%s: status %d: %s%s\n", argv[1], (int)status, result.message, result.detail);
        return 1;
    }
    printf("%s -> %s (libvastrelmon %s)\n", argv[1], argv[2], vastrelmon_version());
    return 0;
}
