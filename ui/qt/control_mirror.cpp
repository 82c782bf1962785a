#include "ui/qt/control_mirror.h"

#include "ui/window_designs.h"

#include <algorithm>
#include <utility>

namespace kw {

namespace {

constexpr std::string_view LineBreak = "\r\n";

std::optional<VersionedText> droppedValue(std::optional<std::uint64_t> knownVersion)
{
    if (knownVersion == 0u)
        return std::nullopt;
    return VersionedText{};
}

} // namespace

ControlMirror::Mirrored* ControlMirror::findLocked(WindowRef ref, Control control)
{
    if (shutDown_)
        return nullptr;
    const auto window = windows_.find(ref.window);
    if (window == windows_.end() || window->second.instance == 0 ||
        (ref.instance != 0 && ref.instance != window->second.instance))
        return nullptr;
    const auto found = window->second.controls.find(control);
    return found == window->second.controls.end() ? nullptr : &found->second;
}

WidgetChange& ControlMirror::changeLocked(WindowRef ref, Control control)
{
    // At most one change per control waits: later ones join it.
    const auto joined = std::find_if(waiting_.begin(), waiting_.end(), [&](const WidgetChange& change) {
        return change.window == ref.window && change.control == control;
    });
    if (joined != waiting_.end())
        return *joined;
    return waiting_.emplace_back(WidgetChange{ref.window, windows_[ref.window].instance, control, std::nullopt, {}});
}

bool ControlMirror::wakeLocked()
{
    return !std::exchange(guiThreadWoken_, true);
}

ControlMirror::Reading ControlMirror::read(WindowRef window, Control control, std::optional<std::uint64_t> knownVersion)
{
    std::lock_guard lock(mutex_);
    const Mirrored* mirrored = findLocked(window, control);
    if (!mirrored)
        return {Outcome::dropped, droppedValue(knownVersion)};
    if (!mirrored->current)
        return {Outcome::needsGuiThread, std::nullopt};
    if (knownVersion == mirrored->version)
        return {Outcome::done, std::nullopt};
    return {Outcome::done, VersionedText{mirrored->bytes, mirrored->version}};
}

ControlMirror::Change ControlMirror::write(WindowRef window, Control control, std::string_view value)
{
    std::lock_guard lock(mutex_);
    Mirrored* mirrored = findLocked(window, control);
    if (!mirrored)
        return {Outcome::dropped};
    mirrored->bytes.assign(value);
    ++mirrored->version;
    mirrored->current = true;
    WidgetChange& change = changeLocked(window, control);
    change.replacement = mirrored->bytes;
    change.appended.clear();
    return {Outcome::done, wakeLocked()};
}

ControlMirror::Change ControlMirror::append(WindowRef window, Control control, std::string_view text)
{
    std::lock_guard lock(mutex_);
    Mirrored* mirrored = findLocked(window, control);
    if (!mirrored || !mirrored->appendable)
        return {Outcome::dropped};
    if (!mirrored->current)
        return {Outcome::needsGuiThread};
    mirrored->bytes.append(text);
    ++mirrored->version;
    changeLocked(window, control).appended.append(text);
    return {Outcome::done, wakeLocked()};
}

std::uint64_t ControlMirror::loadedInstance(Window window)
{
    std::lock_guard lock(mutex_);
    const auto found = windows_.find(window);
    return shutDown_ || found == windows_.end() ? 0 : found->second.instance;
}

void ControlMirror::shutdown()
{
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    waiting_.clear();
}

void ControlMirror::windowLoaded(Window window, std::uint64_t instance, const std::function<Text(Control)>& widgetText)
{
    std::lock_guard lock(mutex_);
    MirroredWindow& mirrored = windows_[window];
    mirrored.instance = instance;
    auto take = [&](Control control, bool appendable) {
        Mirrored& entry = mirrored.controls[control];
        entry.bytes = widgetText(control);
        ++entry.version;
        entry.current = true;
        entry.appendable = appendable;
    };
    take(Control::Window, false);
    for (const ControlDesign& design : windowDesign(window).controls)
        take(design.name, design.kind == ControlKind::EditBox);
}

void ControlMirror::windowGone(Window window)
{
    std::lock_guard lock(mutex_);
    MirroredWindow& mirrored = windows_[window];
    mirrored.instance = 0;
    for (auto& [control, entry] : mirrored.controls) {
        entry.bytes.clear();
        entry.bytes.shrink_to_fit();
        ++entry.version;
        entry.current = true;
    }
    std::erase_if(waiting_, [&](const WidgetChange& change) { return change.window == window; });
}

void ControlMirror::userEdited(WindowRef window, Control control)
{
    std::lock_guard lock(mutex_);
    if (Mirrored* mirrored = findLocked(window, control)) {
        mirrored->current = false;
        ++mirrored->version;
    }
}

void ControlMirror::refresh(WindowRef window, Control control, const std::function<Text()>& widgetText)
{
    std::lock_guard lock(mutex_);
    Mirrored* mirrored = findLocked(window, control);
    if (!mirrored || mirrored->current)
        return;
    mirrored->bytes = widgetText();
    mirrored->current = true;
}

ControlMirror::Taken ControlMirror::takeChanges(std::size_t appendBudget)
{
    std::lock_guard lock(mutex_);
    guiThreadWoken_ = false;
    Taken taken;
    std::size_t room = appendBudget;
    while (!waiting_.empty()) {
        WidgetChange& first = waiting_.front();
        const bool fits = first.appended.size() <= room;
        // Cut after the last line break that fits, when there is one.
        const std::size_t cut =
            fits || room < LineBreak.size() ? Text::npos : first.appended.rfind(LineBreak, room - LineBreak.size());
        if (fits || (cut == Text::npos && taken.changes.empty())) {
            room -= std::min(room, first.appended.size());
            taken.changes.push_back(std::move(first));
            waiting_.pop_front();
            continue;
        }
        if (cut != Text::npos) {
            const std::size_t end = cut + LineBreak.size();
            taken.changes.push_back(WidgetChange{first.window, first.instance, first.control,
                                                 std::move(first.replacement), first.appended.substr(0, end)});
            first.replacement.reset();
            first.appended.erase(0, end);
        }
        break;
    }
    taken.more = !waiting_.empty();
    // The GUI thread comes back by itself: no worker needs to wake it.
    guiThreadWoken_ = taken.more;
    return taken;
}

bool ControlMirror::hasChanges()
{
    std::lock_guard lock(mutex_);
    return !waiting_.empty();
}

} // namespace kw
