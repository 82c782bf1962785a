#pragma once
// MainWindow's menu: the top-level item "菜单" with "隐藏", "显示", "退出".
// The menu bar and the tray's popup are both built from this table.

#include "ui/form_model.h"

#include <span>
#include <string_view>
#include <vector>

namespace kw {

struct MenuItemDesign {
    MenuItem item;
    std::string_view caption;
    int level; // 0 for a top-level item, 1 for its entries, and so on
    bool visible = true;
    bool disabled = false;
    bool checked = false;
};

// In design order: each item is followed by its entries.
std::span<const MenuItemDesign> mainWindowMenu();

// One entry of a popup built from a menu item's entries.
struct PopupEntry {
    MenuItem item;
    std::string_view caption;
    bool separator = false;
    bool disabled = false;
    bool checked = false;
    std::vector<PopupEntry> entries; // an entry with entries of its own opens a submenu
};

// The visible entries of the item, in order; empty when the item is not in
// the menu or has no entries. An entry captioned "-" is a separator.
std::vector<PopupEntry> popupEntriesOf(std::span<const MenuItemDesign> menu, MenuItem item);

} // namespace kw
