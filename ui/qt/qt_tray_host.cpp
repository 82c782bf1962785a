#include "ui/qt/qt_tray_host.h"

#include "text/gbk_edge.h"
#include "ui/qt/menu_builder.h"
#include "ui/qt/qt_icon.h"

#include <QCursor>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

namespace kw {

int trayCode(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return 1;
    case QSystemTrayIcon::DoubleClick:
        return 2;
    case QSystemTrayIcon::Context:
        return 3;
    default:
        return 0;
    }
}

void QtTrayHost::addIcon(const IconImage& image, std::string_view tip)
{
    icon_ = std::make_unique<QSystemTrayIcon>();
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
        if (const int code = trayCode(reason); code != 0 && events_)
            events_->trayNotify(code);
    });
    replaceIcon(image, tip);
    icon_->show();
}

void QtTrayHost::replaceIcon(const IconImage& image, std::string_view tip)
{
    icon_->setIcon(QIcon(QPixmap::fromImage(toQImage(image))));
    icon_->setToolTip(gbkToDisplay(tip, LineBreaks::single));
}

ScreenPoint QtTrayHost::cursorPosition()
{
    const QPoint position = QCursor::pos();
    return {position.x(), position.y()};
}

std::optional<MenuItem> QtTrayHost::popupMenu(const std::vector<PopupEntry>& entries, ScreenPoint topRight)
{
    QMenu popup;
    addPopupEntries(popup, entries);
    popup.ensurePolished();
    const QSize size = popup.sizeHint();
    if (popupHook_) {
        QTimer::singleShot(0, &popup, [hook = std::exchange(popupHook_, {}), target = QPointer<QMenu>(&popup)] {
            if (target)
                hook(*target);
        });
    }
    // The right edge is the first column right of the popup.
    return menuItemOf(popup.exec(QPoint(topRight.x - size.width(), topRight.y)));
}

} // namespace kw
