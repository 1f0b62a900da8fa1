// Every failure clFile can record, with its fixed line number and text.
// Private to bmp/.
#ifndef VASTRELMON_BMP_BMP_ERRORS_H
#define VASTRELMON_BMP_BMP_ERRORS_H

#include "bmp/bmp_file.h"
#include "platform/error_record.h"

namespace bmp_errors {

// open
inline const ErrorEntry kAlreadyOpen = {BMP_ALREADY_OPEN, 36, "file already opened.[%s]"};
inline const ErrorEntry kCantOpen = {BMP_CANT_POSITION, 44, "file don't open.[%s]"};

// read_header
inline const ErrorEntry kLengthSeek = {BMP_CANT_POSITION, 82, "file access error.[seek]"};
inline const ErrorEntry kLengthTell = {BMP_CANT_POSITION, 89, "file access error.[tell]"};
inline const ErrorEntry kStartTell = {BMP_CANT_POSITION, 99, "file access error.[tell]"};
inline const ErrorEntry kFileHeaderShort = {BMP_SHORT_READ, 108, "file access error.[read]"};
inline const ErrorEntry kNotBm = {BMP_NOT_ACCEPTED, 116,
                                 "this file is not BMP file.[disagree,header]"};
inline const ErrorEntry kFileSize = {BMP_NOT_ACCEPTED, 123,
                                    "this file is not BMP file.[disagree,filesize,%d]"};
inline const ErrorEntry kHeaderSizeShort = {BMP_SHORT_READ, 133,
                                           "this file is not BMP file.[read,header,%d]."};
inline const ErrorEntry kCoreShort = {BMP_SHORT_READ, 149,
                                     "this file is not BMP file.[read,header,%d]"};
inline const ErrorEntry kInfoShort = {BMP_SHORT_READ, 169,
                                     "this file is not BMP file.[read,header,%d]"};
inline const ErrorEntry kPlanes = {BMP_NOT_ACCEPTED, 181,
                                  "this file is not BMP file.[read,header,plane]"};
inline const ErrorEntry kCompression = {BMP_NOT_ACCEPTED, 188,
                                       "this file is not BMP file.[read,header,compress]"};
inline const ErrorEntry kSize = {BMP_NOT_ACCEPTED, 198,
                                "this file is not BMP file.[read,header,width or height]"};
inline const ErrorEntry kBitDepth = {BMP_NOT_ACCEPTED, 209,
                                    "this file is not BMP file.[read,header,bit depth]"};

// read_pixels
inline const ErrorEntry kPixelsNoInfo = {BMP_BAD_ARGUMENT, 239, "imperfection argument.[1st]"};
inline const ErrorEntry kPixelsNoBuffer = {BMP_BAD_ARGUMENT, 245, "imperfection argument.[3rd]"};
inline const ErrorEntry kPixelsSeek = {BMP_CANT_POSITION, 255, "file access error.[seek]"};
inline const ErrorEntry kPixelsTell = {BMP_CANT_POSITION, 262, "file access error.[tell]"};
inline const ErrorEntry kRowMemory = {BMP_NO_MEMORY, 277, "memory allocation.[line]"};
inline const ErrorEntry kRowShort = {BMP_SHORT_READ, 288, "file access error.[read,%d,%d]"};
inline const ErrorEntry kPixelsBitCount = {BMP_BAD_ARGUMENT, 329, "illegal range.[bmp palette]"};

// read_palette
inline const ErrorEntry kPaletteNoInfo = {BMP_BAD_ARGUMENT, 351, "imperfection argument.[1st]"};
inline const ErrorEntry kPaletteNoBuffer = {BMP_BAD_ARGUMENT, 357, "imperfection argument.[2nd]"};
inline const ErrorEntry kPaletteBitCount = {BMP_BAD_ARGUMENT, 363, "illegal range.[bmp palette]"};
inline const ErrorEntry kPaletteSeek = {BMP_CANT_POSITION, 373, "file access error.[seek]"};
inline const ErrorEntry kPaletteTell = {BMP_CANT_POSITION, 380, "file access error.[tell]"};
inline const ErrorEntry kTableShort = {BMP_SHORT_READ, 396, "file access error.[read]"};

}  // namespace bmp_errors

#endif
