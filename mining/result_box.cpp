#include "mining/result_box.h"

#include <limits>

namespace kw {

namespace {
// No control ever has this version, so the first reading is a full one.
constexpr std::uint64_t NeverRead = std::numeric_limits<std::uint64_t>::max();
} // namespace

bool ResultBox::holdsLine(std::string_view keyword)
{
    if (auto changed = form_.readPropertyIfChanged(window_, Control::编辑框2, TextProperty::text,
                                                   knownVersion_.value_or(NeverRead))) {
        lines_.rebuild(changed->text);
        knownVersion_ = changed->version;
    }
    return lines_.holds(keyword);
}

void ResultBox::append(std::string_view text)
{
    form_.appendText(window_, Control::编辑框2, text);
    // An append raises the version by exactly one. When anything else
    // changed the box in between, its version is higher than this, and the
    // next reading is a full one.
    if (knownVersion_) {
        lines_.append(text);
        ++*knownVersion_;
    }
}

} // namespace kw
