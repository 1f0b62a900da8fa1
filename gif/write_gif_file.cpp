#include "gif/write_gif_file.h"

const char kGifComment[] = "Conv. by Vastrelmon(Prj.Quorvel)@Dremmick";

int write_gif_file(uint32_t, int32_t, const char*, const clBitMap*)
{
    return 1;  // not built yet
}
