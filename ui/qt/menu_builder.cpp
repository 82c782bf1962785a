#include "ui/qt/menu_builder.h"

#include "text/gbk_edge.h"
#include "ui/qt/edge_widgets.h"

namespace kw {

void addPopupEntries(QMenu& menu, const std::vector<PopupEntry>& entries)
{
    for (const PopupEntry& entry : entries) {
        if (entry.separator) {
            menu.addSeparator();
            continue;
        }
        const QString caption = literalAmpersands(gbkToDisplay(entry.caption, LineBreaks::single));
        QAction* action = nullptr;
        if (!entry.entries.empty()) {
            QMenu* submenu = menu.addMenu(caption);
            addPopupEntries(*submenu, entry.entries);
            action = submenu->menuAction();
        } else {
            action = menu.addAction(caption);
        }
        action->setData(static_cast<int>(entry.item));
        action->setEnabled(!entry.disabled);
        if (entry.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
}

std::optional<MenuItem> menuItemOf(const QAction* action)
{
    if (!action || !action->data().isValid() || action->menu())
        return std::nullopt;
    return static_cast<MenuItem>(action->data().toInt());
}

} // namespace kw
