#pragma once
// MainWindow's place in the notification area, through QSystemTrayIcon.
// Mouse actions on the icon become trayNotify codes: 1 left click, 2 left
// double click, 3 right click (context request); others raise nothing. A
// desktop without a notification area shows no icon, and the program runs
// on without one.

#include "ui/form_events.h"
#include "ui/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace kw {

// The trayNotify code of an activation, or 0 for one that raises nothing.
int trayCode(QSystemTrayIcon::ActivationReason reason);

class QtTrayHost final : public TrayHost {
public:
    explicit QtTrayHost(FormEvents* events = nullptr) : events_(events) {}
    void setEvents(FormEvents* events) { events_ = events; }

    bool hasIcon() override { return icon_ != nullptr; }
    void addIcon(const IconImage& image, std::string_view tip) override;
    void replaceIcon(const IconImage& image, std::string_view tip) override;
    void removeIcon() override { icon_.reset(); }
    ScreenPoint cursorPosition() override;
    std::optional<MenuItem> popupMenu(const std::vector<PopupEntry>& entries, ScreenPoint topRight) override;

    QSystemTrayIcon* icon() const { return icon_.get(); }
    // Test seam: the next popup hands itself to the hook once it is open.
    void setNextPopupHook(std::function<void(QMenu&)> hook) { popupHook_ = std::move(hook); }

private:
    FormEvents* events_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::function<void(QMenu&)> popupHook_;
};

} // namespace kw
