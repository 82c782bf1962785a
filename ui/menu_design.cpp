#include "ui/menu_design.h"

#include "text/gbk_texts.h"

#include <array>

namespace kw {

namespace {

constexpr std::array mainMenu{
    MenuItemDesign{MenuItem::菜单, gbk::MenuTitle, 0},
    MenuItemDesign{MenuItem::隐藏, gbk::MenuHide, 1},
    MenuItemDesign{MenuItem::显示, gbk::MenuShow, 1},
    MenuItemDesign{MenuItem::退出, gbk::MenuExit, 1},
};

// The entries that follow menu[parent] one level below it.
std::vector<PopupEntry> entriesBelow(std::span<const MenuItemDesign> menu, std::size_t parent)
{
    std::vector<PopupEntry> entries;
    const int level = menu[parent].level;
    for (std::size_t i = parent + 1; i < menu.size() && menu[i].level > level; ++i) {
        const MenuItemDesign& design = menu[i];
        if (design.level != level + 1 || !design.visible)
            continue;
        entries.push_back(PopupEntry{design.item, design.caption, design.caption == "-", design.disabled,
                                     design.checked, entriesBelow(menu, i)});
    }
    return entries;
}

} // namespace

std::span<const MenuItemDesign> mainWindowMenu()
{
    return mainMenu;
}

std::vector<PopupEntry> popupEntriesOf(std::span<const MenuItemDesign> menu, MenuItem item)
{
    for (std::size_t i = 0; i < menu.size(); ++i) {
        if (menu[i].item == item)
            return entriesBelow(menu, i);
    }
    return {};
}

} // namespace kw
