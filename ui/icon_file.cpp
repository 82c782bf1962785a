#include "ui/icon_file.h"

namespace kw {

namespace {

constexpr std::size_t FileHeaderSize = 6;
constexpr std::size_t DirectoryEntrySize = 16;
constexpr std::size_t BitmapHeaderSize = 40;

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    bool has(std::size_t offset, std::size_t size) const
    {
        return offset <= data_.size() && size <= data_.size() - offset;
    }
    std::uint32_t u8(std::size_t offset) const { return static_cast<unsigned char>(data_[offset]); }
    std::uint32_t u16(std::size_t offset) const { return u8(offset) | u8(offset + 1) << 8; }
    std::uint32_t u32(std::size_t offset) const { return u16(offset) | u16(offset + 2) << 16; }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }

private:
    std::string_view data_;
};

struct DirectoryEntry {
    int width;
    std::uint32_t colourCount;
    std::uint32_t size;
    std::uint32_t offset;
};

std::optional<std::vector<DirectoryEntry>> readDirectory(const Reader& file)
{
    if (!file.has(0, FileHeaderSize) || file.u16(0) != 0 || file.u16(2) != 1)
        return std::nullopt;
    const std::size_t count = file.u16(4);
    if (count == 0 || !file.has(FileHeaderSize, count * DirectoryEntrySize))
        return std::nullopt;
    std::vector<DirectoryEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = FileHeaderSize + i * DirectoryEntrySize;
        const int storedWidth = static_cast<int>(file.u8(at));
        entries.push_back({storedWidth == 0 ? 256 : storedWidth, file.u8(at + 2), file.u32(at + 8), file.u32(at + 12)});
    }
    return entries;
}

std::size_t rowStride(std::size_t width, std::size_t bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

std::optional<IconImage> decodeBitmap(const Reader& file, const DirectoryEntry& entry)
{
    const std::size_t base = entry.offset;
    if (!file.has(base, entry.size) || entry.size < BitmapHeaderSize || !file.has(base, BitmapHeaderSize))
        return std::nullopt;
    // A bitmap starts with the size of its header; a PNG image (or anything
    // else) does not.
    const std::uint32_t headerSize = file.u32(base);
    if (headerSize != BitmapHeaderSize && headerSize != 108 && headerSize != 124)
        return std::nullopt;
    const std::int32_t width = file.i32(base + 4);
    const std::int32_t doubleHeight = file.i32(base + 8);
    const std::uint32_t bitsPerPixel = file.u16(base + 14);
    const std::uint32_t compression = file.u32(base + 16);
    const std::uint32_t coloursUsed = file.u32(base + 32);
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight % 2 != 0 || doubleHeight / 2 > 256 ||
        compression != 0)
        return std::nullopt;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return std::nullopt;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(doubleHeight / 2);

    std::size_t paletteSize = 0;
    if (bitsPerPixel <= 8)
        paletteSize = coloursUsed != 0 && coloursUsed <= (1u << bitsPerPixel) ? coloursUsed : 1u << bitsPerPixel;
    const std::size_t paletteAt = base + headerSize;
    const std::size_t colourAt = paletteAt + paletteSize * 4;
    const std::size_t colourStride = rowStride(w, bitsPerPixel);
    const std::size_t maskAt = colourAt + colourStride * h;
    const std::size_t maskStride = rowStride(w, 1);
    if (!file.has(paletteAt, paletteSize * 4) || !file.has(colourAt, colourStride * h) ||
        !file.has(maskAt, maskStride * h) || maskAt + maskStride * h > base + entry.size)
        return std::nullopt;

    IconImage image{width, static_cast<int>(h), std::vector<std::uint32_t>(w * h)};
    bool anyAlpha = false;
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t stored = h - 1 - row; // bottom row first
        const std::size_t rowAt = colourAt + stored * colourStride;
        for (std::size_t x = 0; x < w; ++x) {
            std::uint32_t argb = 0;
            if (bitsPerPixel == 32) {
                const std::size_t p = rowAt + x * 4;
                argb = file.u8(p + 3) << 24 | file.u8(p + 2) << 16 | file.u8(p + 1) << 8 | file.u8(p);
                anyAlpha = anyAlpha || (argb >> 24) != 0;
            } else if (bitsPerPixel == 24) {
                const std::size_t p = rowAt + x * 3;
                argb = 0xff000000u | file.u8(p + 2) << 16 | file.u8(p + 1) << 8 | file.u8(p);
            } else {
                const std::size_t bit = x * bitsPerPixel;
                const std::uint32_t byte = file.u8(rowAt + bit / 8);
                const std::uint32_t index = (byte >> (8 - bitsPerPixel - bit % 8)) & ((1u << bitsPerPixel) - 1);
                if (index >= paletteSize)
                    return std::nullopt;
                const std::size_t p = paletteAt + index * 4;
                argb = 0xff000000u | file.u8(p + 2) << 16 | file.u8(p + 1) << 8 | file.u8(p);
            }
            image.pixels[row * w + x] = argb;
        }
    }
    // The mask decides transparency where the colour image carries no alpha
    // of its own (all but 32-bit images, and 32-bit ones whose alpha is 0).
    if (!anyAlpha) {
        for (std::size_t row = 0; row < h; ++row) {
            const std::size_t rowAt = maskAt + (h - 1 - row) * maskStride;
            for (std::size_t x = 0; x < w; ++x) {
                const bool transparent = (file.u8(rowAt + x / 8) >> (7 - x % 8)) & 1u;
                std::uint32_t& pixel = image.pixels[row * w + x];
                pixel = transparent ? pixel & 0x00ffffffu : pixel | 0xff000000u;
            }
        }
    }
    return image;
}

std::size_t firstOfWidthOrLast(const std::vector<DirectoryEntry>& entries, int width)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].width == width && entries[i].colourCount >= 16)
            return i;
    }
    return entries.size() - 1;
}

} // namespace

std::optional<IconImage> decodeIconEntry(const Bytes& file, std::size_t index)
{
    const Reader reader(file.view());
    const auto entries = readDirectory(reader);
    if (!entries || index >= entries->size())
        return std::nullopt;
    return decodeBitmap(reader, (*entries)[index]);
}

std::optional<IconImage> iconImageFromFile(const Bytes& file)
{
    const Reader reader(file.view());
    const auto entries = readDirectory(reader);
    if (!entries)
        return std::nullopt;
    if (auto image = decodeBitmap(reader, (*entries)[firstOfWidthOrLast(*entries, 16)]))
        return image;
    return decodeBitmap(reader, (*entries)[firstOfWidthOrLast(*entries, 32)]);
}

} // namespace kw
