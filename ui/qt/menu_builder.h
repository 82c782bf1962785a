#pragma once
// Qt menus from the menu design: the menu bar of MainWindow and the tray's
// popup show the same entries.

#include "ui/menu_design.h"

#include <QMenu>

#include <optional>
#include <vector>

namespace kw {

// Adds the entries to menu; each action carries its MenuItem (see menuItemOf).
void addPopupEntries(QMenu& menu, const std::vector<PopupEntry>& entries);

std::optional<MenuItem> menuItemOf(const QAction* action);

} // namespace kw
