// Every failure BmpReader can record, with its fixed line number and text. Private to bmp/.
#ifndef VASTRELMON_BMP_BMP_ERRORS_H
#define VASTRELMON_BMP_BMP_ERRORS_H

#include "bmp/bmp_file.h"
#include "platform/error_record.h"

namespace bmp_errors {

// read_header
inline const ErrorEntry kLengthSeek = {kBmpCantPosition, 82, "file access error.[seek]"};
inline const ErrorEntry kFileHeaderShort = {kBmpShortRead, 108, "file access error.[read]"};
inline const ErrorEntry kNotBm = {kBmpNotAccepted, 116,
                                 "this file is not BMP file.[disagree,header]"};
inline const ErrorEntry kFileSize = {kBmpNotAccepted, 123,
                                    "this file is not BMP file.[disagree,filesize,%d]"};
inline const ErrorEntry kHeaderSizeShort = {kBmpShortRead, 133,
                                           "this file is not BMP file.[read,header,%d]."};
inline const ErrorEntry kCoreShort = {kBmpShortRead, 149,
                                     "this file is not BMP file.[read,header,%d]"};
inline const ErrorEntry kInfoShort = {kBmpShortRead, 169,
                                     "this file is not BMP file.[read,header,%d]"};
inline const ErrorEntry kHeaderTooSmall = {kBmpNotAccepted, 139,
                                          "this file is not BMP file.[read,header,size]"};
inline const ErrorEntry kMasksShort = {kBmpShortRead, 172,
                                      "this file is not BMP file.[read,header,%d]"};
inline const ErrorEntry kPlanes = {kBmpNotAccepted, 181,
                                  "this file is not BMP file.[read,header,plane]"};
inline const ErrorEntry kCompression = {kBmpNotAccepted, 188,
                                       "this file is not BMP file.[read,header,compress]"};
inline const ErrorEntry kSize = {kBmpNotAccepted, 198,
                                "this file is not BMP file.[read,header,width or height]"};
inline const ErrorEntry kBitDepth = {kBmpNotAccepted, 209,
                                    "this file is not BMP file.[read,header,bit depth]"};
inline const ErrorEntry kTopDownRunLength = {kBmpNotAccepted, 212,
                                            "this file is not BMP file.[read,header,top-down]"};
inline const ErrorEntry kMasks = {kBmpNotAccepted, 216,
                                 "this file is not BMP file.[read,header,bit fields]"};

// read_pixels
inline const ErrorEntry kPixelsNoInfo = {kBmpBadArgument, 239, "imperfection argument.[1st]"};
inline const ErrorEntry kPixelsNoBuffer = {kBmpBadArgument, 245, "imperfection argument.[3rd]"};
inline const ErrorEntry kPixelsSeek = {kBmpCantPosition, 255, "file access error.[seek]"};
inline const ErrorEntry kRowShort = {kBmpShortRead, 288, "file access error.[read,%d,%d]"};
inline const ErrorEntry kCodesEnd = {kBmpShortRead, 292, "file access error.[read,rle,%d]"};
inline const ErrorEntry kRowPastLast = {kBmpNotAccepted, 296, "this file is not BMP file.[rle,row,%d]"};
inline const ErrorEntry kDeltaPastEnd = {kBmpNotAccepted, 299, "this file is not BMP file.[rle,delta,%d]"};
inline const ErrorEntry kPixelsBitCount = {kBmpBadArgument, 329, "illegal range.[bmp palette]"};

// read_palette
inline const ErrorEntry kPaletteNoInfo = {kBmpBadArgument, 351, "imperfection argument.[1st]"};
inline const ErrorEntry kPaletteNoBuffer = {kBmpBadArgument, 357, "imperfection argument.[2nd]"};
inline const ErrorEntry kPaletteBitCount = {kBmpBadArgument, 363, "illegal range.[bmp palette]"};
inline const ErrorEntry kPaletteSeek = {kBmpCantPosition, 373, "file access error.[seek]"};
inline const ErrorEntry kTableShort = {kBmpShortRead, 396, "file access error.[read]"};

}  // namespace bmp_errors

#endif
