#include "tests/support/gif_decode.h"

#include <gif_lib.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

struct MemoryReader {
    const std::string* bytes;
    size_t offset;
};

int read_memory(GifFileType* gif, GifByteType* target, int wanted)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    size_t left = reader->bytes->size() - reader->offset;
    size_t count = static_cast<size_t>(wanted) < left ? static_cast<size_t>(wanted) : left;
    std::memcpy(target, reader->bytes->data() + reader->offset, count);
    reader->offset += count;
    return static_cast<int>(count);
}

// Adds the comment and transparency found in blocks; giflib stores the
// second and later sub-blocks of an extension as continuation blocks.
void read_extensions(const ExtensionBlock* blocks, int count, DecodedGif* result)
{
    int function = 0;
    for (int i = 0; i < count; ++i) {
        const ExtensionBlock& block = blocks[i];
        if (block.Function != CONTINUE_EXT_FUNC_CODE) {
            function = block.Function;
        }
        if (block.Function == GRAPHICS_EXT_FUNC_CODE) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(static_cast<size_t>(block.ByteCount), block.Bytes, &control) ==
                GIF_OK) {
                result->has_graphic_control = true;
                result->transparent_index = control.TransparentColor;
            }
        } else if (function == COMMENT_EXT_FUNC_CODE) {
            result->has_comment = true;
            result->comment.append(reinterpret_cast<const char*>(block.Bytes),
                                   static_cast<size_t>(block.ByteCount));
        }
    }
}

}  // namespace

DecodedGif decode_gif_bytes(const std::string& bytes)
{
    DecodedGif result;
    MemoryReader reader = {&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_memory, &error);
    if (gif == nullptr) {
        result.error = std::string("DGifOpen: ") + GifErrorString(error);
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = std::string("DGifSlurp: ") + GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return result;
    }
    result.screen_width = gif->SWidth;
    result.screen_height = gif->SHeight;
    result.image_count = gif->ImageCount;
    if (gif->SColorMap != nullptr) {
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType& color = gif->SColorMap->Colors[i];
            result.color_table.push_back(color.Red);
            result.color_table.push_back(color.Green);
            result.color_table.push_back(color.Blue);
        }
    }
    if (gif->ImageCount < 1) {
        result.error = "no image in the file";
        DGifCloseFile(gif, &error);
        return result;
    }
    const SavedImage& image = gif->SavedImages[0];
    result.width = image.ImageDesc.Width;
    result.height = image.ImageDesc.Height;
    result.interlaced = image.ImageDesc.Interlace;
    // Extensions before the image are kept by giflib with the image, those
    // after it with the file.
    read_extensions(image.ExtensionBlocks, image.ExtensionBlockCount, &result);
    read_extensions(gif->ExtensionBlocks, gif->ExtensionBlockCount, &result);
    size_t pixel_count = static_cast<size_t>(result.width) * static_cast<size_t>(result.height);
    result.pixels.assign(image.RasterBits, image.RasterBits + pixel_count);
    DGifCloseFile(gif, &error);
    result.ok = true;
    return result;
}

DecodedGif decode_gif_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        DecodedGif result;
        result.error = "cannot open " + path;
        return result;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return decode_gif_bytes(content.str());
}
