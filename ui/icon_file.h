#pragma once
// Reading an icon file (the .ico format) into one image, with the rule for
// which of its images is taken.

#include "text/text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kw {

struct IconImage {
    int width = 0;
    int height = 0;
    // 0xAARRGGBB, not premultiplied, top row first.
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The image taken from an icon file: the first one 16 pixels wide with a
// stored colour count of 16 or more, or else the last one; if that cannot be
// made, the first one 32 pixels wide with a colour count of 16 or more, or
// else the last one again. Bytes that are not an icon file give nothing.
// Images are read from uncompressed bitmaps of 1, 4, 8, 24 or 32 bits per
// pixel; a PNG-compressed image cannot be made.
std::optional<IconImage> iconImageFromFile(const Bytes& file);

// One image of an icon file, by its index in the directory.
std::optional<IconImage> decodeIconEntry(const Bytes& file, std::size_t index);

} // namespace kw
