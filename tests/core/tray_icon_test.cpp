// Which image of an icon file the tray shows, and the tray icon's rules.
#include "support/fake_tray.h"
#include "text/gbk_texts.h"
#include "ui/icon_file.h"
#include "ui/program_icon.h"
#include "ui/tray_icon.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

using test::FakeTray;

void put16(std::string& out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8 & 0xff));
}
void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// One image of a test icon: a solid colour with the left column masked out.
struct ImageSpec {
    int width;
    int colourCount; // stored in the directory
    int bits;        // 4, 8, 24 or 32
    std::uint32_t rgb;
    bool corrupt = false; // a PNG signature where the bitmap should be
};

std::string bitmapOf(const ImageSpec& spec)
{
    const int w = spec.width, h = spec.width;
    std::string out;
    if (spec.corrupt)
        return std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0');
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h * 2));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(spec.bits));
    for (int i = 0; i < 6; ++i)
        put32(out, 0);
    const int paletteSize = spec.bits <= 8 ? 1 << spec.bits : 0;
    for (int i = 0; i < paletteSize; ++i)
        put32(out, i == 1 ? spec.rgb : 0); // index 1 holds the colour
    const int stride = (w * spec.bits + 31) / 32 * 4;
    for (int row = 0; row < h; ++row) {
        std::string line(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < w; ++x) {
            if (spec.bits == 32 || spec.bits == 24) {
                const int size = spec.bits / 8;
                line[static_cast<std::size_t>(x * size)] = static_cast<char>(spec.rgb & 0xff);
                line[static_cast<std::size_t>(x * size + 1)] = static_cast<char>(spec.rgb >> 8 & 0xff);
                line[static_cast<std::size_t>(x * size + 2)] = static_cast<char>(spec.rgb >> 16 & 0xff);
                if (size == 4)
                    line[static_cast<std::size_t>(x * 4 + 3)] = static_cast<char>(x == 0 ? 0 : 255);
            } else {
                const int bit = x * spec.bits;
                line[static_cast<std::size_t>(bit / 8)] |= static_cast<char>(1 << (8 - spec.bits - bit % 8));
            }
        }
        out += line;
    }
    const int maskStride = (w + 31) / 32 * 4;
    for (int row = 0; row < h; ++row) {
        std::string line(static_cast<std::size_t>(maskStride), '\0');
        line[0] = static_cast<char>(0x80); // the left column is transparent
        out += line;
    }
    return out;
}

Bytes iconFile(const std::vector<ImageSpec>& images)
{
    std::string header;
    put16(header, 0);
    put16(header, 1);
    put16(header, static_cast<std::uint32_t>(images.size()));
    std::string data;
    const std::size_t dataStart = 6 + 16 * images.size();
    for (const ImageSpec& spec : images) {
        const std::string bitmap = bitmapOf(spec);
        header.push_back(static_cast<char>(spec.width == 256 ? 0 : spec.width));
        header.push_back(static_cast<char>(spec.width == 256 ? 0 : spec.width));
        header.push_back(static_cast<char>(spec.colourCount));
        header.push_back(0);
        put16(header, 1);
        put16(header, static_cast<std::uint32_t>(spec.bits));
        put32(header, static_cast<std::uint32_t>(bitmap.size()));
        put32(header, static_cast<std::uint32_t>(dataStart + data.size()));
        data += bitmap;
    }
    return Bytes(header + data);
}

TEST(IconFile, ImageChoiceRule)
{
    const std::uint32_t A = 0x112233, B = 0x445566, C = 0x778899, D = 0xaabbcc;
    struct Case {
        const char* what;
        std::vector<ImageSpec> images;
        int width;
        std::uint32_t rgb;
    };
    const std::vector<Case> cases{
        {"the first 16-wide image with 16 colours or more", {{32, 16, 8, A}, {16, 16, 4, B}, {16, 16, 8, C}}, 16, B},
        {"a 16-wide image with fewer colours does not count", {{16, 8, 4, A}, {32, 0, 32, B}}, 32, B},
        {"no 16-wide image: the last one", {{32, 16, 8, A}, {48, 0, 32, B}}, 48, B},
        {"the chosen image cannot be made: the first 32-wide one",
         {{16, 16, 8, A, true}, {32, 16, 24, B}, {48, 0, 32, C}},
         32,
         B},
        {"nor a 32-wide one: the last one again", {{48, 0, 32, D}, {16, 16, 8, A, true}}, 0, 0},
        {"a single 32-bit image", {{32, 0, 32, C}}, 32, C},
    };
    for (const Case& c : cases) {
        const auto image = iconImageFromFile(iconFile(c.images));
        if (c.width == 0) {
            EXPECT_FALSE(image.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(image.has_value()) << c.what;
        EXPECT_EQ(image->width, c.width) << c.what;
        EXPECT_EQ(image->at(c.width / 2, c.width / 2), 0xff000000u | c.rgb) << c.what;
        EXPECT_EQ(image->at(0, c.width / 2) >> 24, 0u) << c.what << ": the masked column is transparent";
    }
}

TEST(IconFile, BytesThatAreNoIconGiveNoImage)
{
    const Bytes valid = iconFile({{32, 0, 32, 0x123456}});
    for (const Bytes& bytes : {Bytes(), Bytes("not an icon"), Bytes(std::string(valid.view().substr(0, 100))),
                               Bytes(std::string(valid.view().substr(0, valid.size() - 1)))}) {
        EXPECT_FALSE(iconImageFromFile(bytes).has_value()) << bytes.size();
    }
}

TEST(TrayIcon, AddsReplacesAndRemoves)
{
    FakeTray tray;
    setTrayIcon(tray, Bytes("no icon"), "tip");
    EXPECT_EQ(tray.adds + tray.removes, 0) << "no image and no icon: nothing happens";

    setTrayIcon(tray, ProgramIcon, gbk::TrayTip);
    EXPECT_EQ(tray.adds, 1);
    EXPECT_EQ(tray.tip, "zaror");

    setTrayIcon(tray, iconFile({{16, 16, 4, 0x00ff00}}), std::nullopt);
    EXPECT_EQ(tray.adds, 1);
    EXPECT_EQ(tray.replaces, 1);
    EXPECT_EQ(tray.icon->width, 16);
    EXPECT_EQ(tray.tip, "") << "an absent tip is the empty tip";

    setTrayIcon(tray, Bytes(), "tip");
    EXPECT_EQ(tray.removes, 1);
    EXPECT_FALSE(tray.hasIcon());
}

TEST(TrayIcon, TipIsCutAfterItsSixtySecondByte)
{
    for (std::size_t length : {0u, 61u, 62u, 63u, 200u}) {
        FakeTray tray;
        const Text tip(length, 'a');
        setTrayIcon(tray, ProgramIcon, tip);
        EXPECT_EQ(tray.tip.size(), std::min<std::size_t>(length, 62)) << length;
    }
}

TEST(TrayIcon, PopupShowsTheEntriesOfTheItemAtTheCursor)
{
    FakeTray tray;
    tray.cursor = {100, 200};
    tray.answer = MenuItem::显示;
    EXPECT_EQ(popupTrayMenu(tray, mainWindowMenu(), MenuItem::菜单), MenuItem::显示);
    ASSERT_EQ(tray.popups.size(), 1u);
    EXPECT_EQ(tray.popups[0].topRight, (ScreenPoint{95, 195}));
    ASSERT_EQ(tray.popups[0].entries.size(), 3u);

    // An item without entries shows nothing.
    EXPECT_EQ(popupTrayMenu(tray, mainWindowMenu(), MenuItem::退出), std::nullopt);
    EXPECT_EQ(tray.popups.size(), 1u);
}

TEST(TrayIcon, PopupLeavesOutHiddenEntriesAndMakesSeparatorsAndSubmenus)
{
    const std::vector<MenuItemDesign> menu{
        {MenuItem::菜单, "top", 0}, {MenuItem::隐藏, "a", 1},    {MenuItem::显示, "-", 1},
        {MenuItem::退出, "sub", 1}, {MenuItem::隐藏, "deep", 2}, {MenuItem::显示, "gone", 1, false},
    };
    const auto entries = popupEntriesOf(menu, MenuItem::菜单);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].separator);
    EXPECT_TRUE(entries[1].separator);
    ASSERT_EQ(entries[2].entries.size(), 1u);
    EXPECT_EQ(entries[2].entries[0].caption, "deep");
}

} // namespace
} // namespace kw
