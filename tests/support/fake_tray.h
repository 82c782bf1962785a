#pragma once
// A tray that records what it is asked to do, and answers popups with a
// chosen entry.

#include "ui/tray_icon.h"

#include <optional>
#include <vector>

namespace kw::test {

class FakeTray final : public TrayHost {
public:
    struct Popup {
        std::vector<PopupEntry> entries;
        ScreenPoint topRight;
    };

    bool hasIcon() override { return icon.has_value(); }
    void addIcon(const IconImage& image, std::string_view newTip) override
    {
        icon = image;
        tip = newTip;
        ++adds;
    }
    void replaceIcon(const IconImage& image, std::string_view newTip) override
    {
        icon = image;
        tip = newTip;
        ++replaces;
    }
    void removeIcon() override
    {
        icon.reset();
        tip.clear();
        ++removes;
    }
    ScreenPoint cursorPosition() override { return cursor; }
    std::optional<MenuItem> popupMenu(const std::vector<PopupEntry>& entries, ScreenPoint topRight) override
    {
        popups.push_back({entries, topRight});
        return answer;
    }

    std::optional<IconImage> icon;
    Text tip;
    int adds = 0;
    int replaces = 0;
    int removes = 0;
    ScreenPoint cursor{400, 300};
    std::optional<MenuItem> answer;
    std::vector<Popup> popups;
};

} // namespace kw::test
