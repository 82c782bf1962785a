#pragma once
// The tray icon of a window and its popup menu, as rules over a small tray
// interface that the toolkit implements.

#include "text/text.h"
#include "ui/icon_file.h"
#include "ui/menu_design.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace kw {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// One window's place in the notification area, and the popup menu shown
// from it.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    virtual bool hasIcon() = 0;
    virtual void addIcon(const IconImage& image, std::string_view tip) = 0;
    // Replaces image and tip; the image shown before is released.
    virtual void replaceIcon(const IconImage& image, std::string_view tip) = 0;
    virtual void removeIcon() = 0;

    virtual ScreenPoint cursorPosition() = 0;
    // Shows the entries as a popup whose right edge stands at topRight.x and
    // whose top edge stands at topRight.y (moved by the platform where it
    // would leave the screen). Returns, once the popup has closed, the entry
    // chosen, if any.
    virtual std::optional<MenuItem> popupMenu(const std::vector<PopupEntry>& entries, ScreenPoint topRight) = 0;
};

// The tip's length limit in bytes.
inline constexpr std::size_t TrayTipLimit = 62;

// Adds the icon, replaces its image and tip, or removes it when the bytes
// give no image. An absent tip is the empty tip; a longer one is cut after
// its 62nd byte.
void setTrayIcon(TrayHost& tray, const Bytes& icon, std::optional<std::string_view> tip);

// Where the popup goes for a cursor at (x, y): right edge at x - 5, top at
// y - 5.
constexpr ScreenPoint popupTopRight(ScreenPoint cursor)
{
    return {cursor.x - 5, cursor.y - 5};
}

// Shows the entries of the menu item as a popup at the cursor and returns
// the entry chosen. An item without entries shows nothing.
std::optional<MenuItem> popupTrayMenu(TrayHost& tray, std::span<const MenuItemDesign> menu, MenuItem item);

} // namespace kw
