#include "ui/tray_icon.h"

namespace kw {

void setTrayIcon(TrayHost& tray, const Bytes& icon, std::optional<std::string_view> tip)
{
    const std::string_view cutTip = tip.value_or(std::string_view()).substr(0, TrayTipLimit);
    const std::optional<IconImage> image = iconImageFromFile(icon);
    if (image) {
        if (tray.hasIcon())
            tray.replaceIcon(*image, cutTip);
        else
            tray.addIcon(*image, cutTip);
    } else if (tray.hasIcon()) {
        tray.removeIcon();
    }
}

std::optional<MenuItem> popupTrayMenu(TrayHost& tray, std::span<const MenuItemDesign> menu, MenuItem item)
{
    const std::vector<PopupEntry> entries = popupEntriesOf(menu, item);
    if (entries.empty())
        return std::nullopt;
    return tray.popupMenu(entries, popupTopRight(tray.cursorPosition()));
}

} // namespace kw
