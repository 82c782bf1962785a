// The program icon's file layout and its picture.
#include "ui/icon_file.h"
#include "ui/program_icon.h"

#include <gtest/gtest.h>

#include <functional>

namespace kw {
namespace {

std::uint32_t u16(const Bytes& b, std::size_t at)
{
    return static_cast<unsigned char>(b.data()[at]) | static_cast<unsigned char>(b.data()[at + 1]) << 8;
}
std::uint32_t u32(const Bytes& b, std::size_t at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}
std::uint32_t u8(const Bytes& b, std::size_t at)
{
    return static_cast<unsigned char>(b.data()[at]);
}

TEST(ProgramIcon, HeaderFieldsAreExactly)
{
    const Bytes& icon = ProgramIcon;
    ASSERT_EQ(icon.size(), 4286u);
    struct Field {
        const char* name;
        std::size_t offset;
        int size;
        std::uint32_t value;
    };
    const std::vector<Field> fields{
        {"reserved", 0, 2, 0},       {"type", 2, 2, 1},
        {"images", 4, 2, 1},         {"width", 6, 1, 32},
        {"height", 7, 1, 32},        {"colours", 8, 1, 0},
        {"reserved", 9, 1, 0},       {"planes", 10, 2, 1},
        {"bits", 12, 2, 32},         {"image size", 14, 4, 4264},
        {"image offset", 18, 4, 22}, {"header size", 22, 4, 40},
        {"bitmap width", 26, 4, 32}, {"bitmap height", 30, 4, 64},
        {"bitmap planes", 34, 2, 1}, {"bitmap bits", 36, 2, 32},
        {"compression", 38, 4, 0},   {"image data", 42, 4, 4224},
    };
    for (const Field& field : fields) {
        const std::uint32_t value = field.size == 1   ? u8(icon, field.offset)
                                    : field.size == 2 ? u16(icon, field.offset)
                                                      : u32(icon, field.offset);
        EXPECT_EQ(value, field.value) << field.name << " at " << field.offset;
    }
}

TEST(ProgramIcon, MaskMarksExactlyTheTransparentPixels)
{
    const Bytes& icon = ProgramIcon;
    for (int storedRow = 0; storedRow < 32; ++storedRow) {
        for (int x = 0; x < 32; ++x) {
            const std::size_t pixel = 62 + static_cast<std::size_t>(storedRow * 32 + x) * 4;
            const bool transparent = u8(icon, pixel + 3) == 0;
            const std::size_t maskByte = 4158 + static_cast<std::size_t>(storedRow * 4 + x / 8);
            const bool masked = (u8(icon, maskByte) >> (7 - x % 8)) & 1u;
            EXPECT_EQ(masked, transparent) << "row " << storedRow << " column " << x;
        }
    }
}

// Opaque pixels grouped into 4-connected shapes, with their bounding boxes.
struct Shape {
    int pixels = 0;
    int top = 32, bottom = -1, left = 32, right = -1;
};

std::vector<Shape> opaqueShapes(const IconImage& image)
{
    std::vector<int> seen(32 * 32, 0);
    std::vector<Shape> shapes;
    std::function<void(int, int, Shape&)> fill = [&](int x, int y, Shape& shape) {
        if (x < 0 || y < 0 || x >= 32 || y >= 32 || seen[y * 32 + x] || (image.at(x, y) >> 24) < 128)
            return;
        seen[y * 32 + x] = 1;
        ++shape.pixels;
        shape.top = std::min(shape.top, y);
        shape.bottom = std::max(shape.bottom, y);
        shape.left = std::min(shape.left, x);
        shape.right = std::max(shape.right, x);
        fill(x + 1, y, shape);
        fill(x - 1, y, shape);
        fill(x, y + 1, shape);
        fill(x, y - 1, shape);
    };
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            Shape shape;
            fill(x, y, shape);
            if (shape.pixels > 0)
                shapes.push_back(shape);
        }
    }
    return shapes;
}

TEST(ProgramIcon, ShowsAGlossyBluePawPrintOnATransparentBackground)
{
    const auto image = iconImageFromFile(ProgramIcon);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 32);
    ASSERT_EQ(image->height, 32);
    for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
        EXPECT_EQ(image->at(x, y) >> 24, 0u) << x << "," << y;

    auto shapes = opaqueShapes(*image);
    ASSERT_EQ(shapes.size(), 5u) << "four toes and a pad";
    std::sort(shapes.begin(), shapes.end(), [](const Shape& a, const Shape& b) { return a.pixels > b.pixels; });
    const Shape& pad = shapes[0];
    for (std::size_t toe = 1; toe < shapes.size(); ++toe) {
        EXPECT_LT(shapes[toe].bottom, pad.top + 3) << "toe " << toe << " stands above the pad";
        EXPECT_LT(shapes[toe].pixels, pad.pixels / 2);
    }

    int darkest = 255 * 3, lightest = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::uint32_t argb = image->at(x, y);
            if ((argb >> 24) < 255)
                continue;
            const int r = argb >> 16 & 0xff, g = argb >> 8 & 0xff, b = argb & 0xff;
            EXPECT_GE(b, r) << x << "," << y;
            EXPECT_GE(b, g) << x << "," << y;
            darkest = std::min(darkest, r + g + b);
            lightest = std::max(lightest, r + g + b);
        }
    }
    // A gloss: highlights near white beside deep blue.
    EXPECT_GT(lightest, 3 * 200);
    EXPECT_LT(darkest, 3 * 120);
}

} // namespace
} // namespace kw
