/*
 * libvastrelmon: uncompressed Windows BMP pictures, or pixels, to GIF89a
 * with the smallest colour table that holds their colours.
 *
 * Every call is self-contained: the library keeps no global state, prints
 * nothing, never exits, starts no thread and installs no signal handler, so
 * any number of threads may convert different pictures at the same time.
 * Each call returns a vastrelmon_status (VASTRELMON_OK is 0) and, when the
 * caller passes a vastrelmon_result, fills it with what the program
 * `vastrelmon` would have said about the same input.
 *
 * The GIF of vastrelmon_convert is byte for byte the file the program writes
 * for the same BMP and options. Usable from C99 and C++.
 *
 * Copyright 2026 the Vastrelmon developers. MIT licence.
 */
#ifndef VASTRELMON_H
#define VASTRELMON_H

#include <stddef.h>

#if defined(_WIN32) && defined(VASTRELMON_SHARED_BUILD)
#define VASTRELMON_API __declspec(dllexport)
#elif defined(__GNUC__)
#define VASTRELMON_API __attribute__((visibility("default")))
#else
#define VASTRELMON_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define VASTRELMON_VERSION_MAJOR 1
#define VASTRELMON_VERSION_MINOR 0
#define VASTRELMON_VERSION_PATCH 0

/* Why a call failed. The values stay as they are in every later version. */
typedef enum vastrelmon_status {
    VASTRELMON_OK = 0,
    VASTRELMON_ERROR_INVALID_ARGUMENT = 1, /* a null pointer, a bad size, stride or option */
    VASTRELMON_ERROR_BAD_BMP = 2,          /* not a BMP this library reads, or a malformed one */
    VASTRELMON_ERROR_CUT_BMP = 3,          /* the BMP ends before its last pixel */
    VASTRELMON_ERROR_TOO_MANY_COLORS = 4,  /* more than 256 colours and no colour mode */
    VASTRELMON_ERROR_TRANSPARENCY = 5,     /* the transparent index is beyond the colour table */
    VASTRELMON_ERROR_TOO_LARGE = 6,        /* wider than 6400 or higher than 4800 pixels */
    VASTRELMON_ERROR_NO_MEMORY = 7,
    VASTRELMON_ERROR_OUTPUT_EXISTS = 8,    /* convert_file: the GIF's name is taken */
    VASTRELMON_ERROR_IO = 9,               /* convert_file: a file could not be read or written */
    VASTRELMON_ERROR_CANCELLED = 10        /* the progress callback asked to stop */
} vastrelmon_status;

/* Colour modes, applied before the colour table is built (the program's /e). */
typedef enum vastrelmon_color_mode {
    VASTRELMON_COLOR_AS_IS = 0,
    VASTRELMON_COLOR_GREY = 1,        /* /emc */
    VASTRELMON_COLOR_RED_TONE = 2,    /* /esr */
    VASTRELMON_COLOR_BLUE_TONE = 3,   /* /esb */
    VASTRELMON_COLOR_ROSE_TONE = 4,   /* /esw */
    VASTRELMON_COLOR_RGB332 = 5,      /* /es8: a fixed 3-3-2 palette */
    VASTRELMON_COLOR_RED_ONLY = 16,   /* /ec1 */
    VASTRELMON_COLOR_GREEN_ONLY = 17, /* /ec2 */
    VASTRELMON_COLOR_BLUE_ONLY = 18   /* /ec4 */
} vastrelmon_color_mode;

/* Called with the share of the picture coded, 0 to 100 in steps of 2, while
 * an LZW-compressed picture is coded. Returning non-zero stops the
 * conversion, which then fails with VASTRELMON_ERROR_CANCELLED. */
typedef int (*vastrelmon_progress)(void *context, int percent);

/* The choices of one conversion. Fill it with vastrelmon_options_init first:
 * fields added in later versions then keep their defaults. */
typedef struct vastrelmon_options {
    size_t size;                       /* sizeof(vastrelmon_options); set by init */
    int interlace;                     /* 1 (default): interlaced rows; 0: top to bottom (/i) */
    int transparent;                   /* -1 (default): none; 0..255: that index (/t) */
    int compress;                      /* 1 (default): LZW; 0: uncompressed codes (/u) */
    int widest_codes;                  /* with compress 0: codes widen up to 12 bits (/b) */
    vastrelmon_color_mode color_mode;  /* VASTRELMON_COLOR_AS_IS by default (/e) */
    vastrelmon_progress progress;      /* may be NULL */
    void *progress_context;
} vastrelmon_options;

VASTRELMON_API void vastrelmon_options_init(vastrelmon_options *options);

/* What the program would have said about a failed conversion. Fill size
 * with sizeof(vastrelmon_result) (vastrelmon_result_init does). */
typedef struct vastrelmon_result {
    size_t size;
    vastrelmon_status status;
    /* The program's message number (its catalogue, 0 to 39), or -1 where
     * the program has none (an invalid argument, a cancelled conversion);
     * the message as the program prints it in English, without the line
     * end; and the detail the program adds with /v (an error code, a fixed
     * line number and a text, as ":340003:00288:..."), or "". */
    int message_number;
    char message[256];
    char detail[1024];
} vastrelmon_result;

VASTRELMON_API void vastrelmon_result_init(vastrelmon_result *result);

/* BMP bytes in memory to GIF bytes in memory. On success *gif points to
 * *gif_size bytes that the caller frees with vastrelmon_free; on failure
 * *gif is NULL and *gif_size 0. result may be NULL. */
VASTRELMON_API vastrelmon_status vastrelmon_convert(const void *bmp, size_t bmp_size,
                                                    const vastrelmon_options *options,
                                                    unsigned char **gif, size_t *gif_size,
                                                    vastrelmon_result *result);

/* Pixels to GIF, through the same colour rules as a BMP of the same
 * pixels: rows top first, each starting stride bytes after the one before.
 * RGB: three bytes a pixel, red, green, blue (a 24-bit BMP; a transparent
 * index is ignored, as the program ignores it there). */
VASTRELMON_API vastrelmon_status vastrelmon_encode_rgb(const void *pixels, int width, int height,
                                                       size_t stride, const vastrelmon_options *options,
                                                       unsigned char **gif, size_t *gif_size,
                                                       vastrelmon_result *result);

/* Indexed: one byte a pixel, each below palette_entries (1 to 256), and a
 * palette of palette_entries red, green, blue triples (an 8-bit BMP with
 * that colour table). */
VASTRELMON_API vastrelmon_status vastrelmon_encode_indexed(const void *indices, int width, int height,
                                                           size_t stride, const unsigned char *palette,
                                                           int palette_entries,
                                                           const vastrelmon_options *options,
                                                           unsigned char **gif, size_t *gif_size,
                                                           vastrelmon_result *result);

/* A BMP file to a GIF file, with the program's promises: an existing
 * gif_path is never touched (VASTRELMON_ERROR_OUTPUT_EXISTS), and the GIF
 * gets its name only once it is complete and on the disk, so after any
 * failure nothing of it is left. */
VASTRELMON_API vastrelmon_status vastrelmon_convert_file(const char *bmp_path, const char *gif_path,
                                                         const vastrelmon_options *options,
                                                         vastrelmon_result *result);

/* Frees what vastrelmon_convert and the encode calls returned. */
VASTRELMON_API void vastrelmon_free(void *gif);

/* "1.0.0": the library's version. */
VASTRELMON_API const char *vastrelmon_version(void);

#ifdef __cplusplus
}
#endif

#endif
