#include "ui/headless_form_model.h"

#include <utility>

namespace kw {

HeadlessFormModel::HeadlessFormModel(FormEvents* events) : events_(events)
{
    resetToDesign(Window::MainWindow);
    resetToDesign(Window::FilterWindow);
}

void HeadlessFormModel::setEvents(FormEvents* events)
{
    std::lock_guard lock(mutex_);
    events_ = events;
}

HeadlessFormModel::WindowState& HeadlessFormModel::state(Window window)
{
    return windows_[window];
}

void HeadlessFormModel::resetToDesign(Window window)
{
    WindowState& ws = state(window);
    std::map<Control, ControlState> previous = std::move(ws.controls);
    ws.controls.clear();
    ws.appends.clear();
    ws.controls[Control::Window] = ControlState{Text(windowDesign(window).caption)};
    for (const ControlDesign& design : windowDesign(window).controls)
        ws.controls[design.name] = ControlState{Text(design.designValue), design.kind != ControlKind::CommonDlg};
    // Back to the design values is a change too: versions go on rising
    // from one loading to the next.
    for (auto& [control, fresh] : ws.controls) {
        if (const auto old = previous.find(control); old != previous.end())
            fresh.version = old->second.version + 1;
    }
}

HeadlessFormModel::ControlState* HeadlessFormModel::find(WindowRef ref, Control control)
{
    WindowState& ws = state(ref.window);
    if (!ws.loaded || (ref.instance != 0 && ref.instance != ws.instance))
        return nullptr;
    auto it = ws.controls.find(control);
    return it == ws.controls.end() ? nullptr : &it->second;
}

void HeadlessFormModel::notify(const Record& record)
{
    std::function<void(const Record&)> observer;
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        observer = observer_;
    }
    changed_.notify_all();
    if (observer)
        observer(record);
}

Text HeadlessFormModel::readProperty(WindowRef window, Control control, TextProperty)
{
    Text value;
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, control))
            value = cs->text;
    }
    notify({Operation::read, window.window, control, value});
    return value;
}

std::optional<VersionedText> HeadlessFormModel::readPropertyIfChanged(WindowRef window, Control control, TextProperty,
                                                                      std::uint64_t knownVersion)
{
    std::optional<VersionedText> changed;
    {
        std::lock_guard lock(mutex_);
        const ControlState* cs = find(window, control);
        const std::uint64_t version = cs ? cs->version : 0;
        if (version != knownVersion)
            changed = VersionedText{cs ? cs->text : Text(), version};
    }
    if (changed)
        notify({Operation::read, window.window, control, changed->text});
    else
        notify({Operation::versionCheck, window.window, control, {}});
    return changed;
}

bool HeadlessFormModel::readProperty(WindowRef window, Control control, FlagProperty property)
{
    bool value = false;
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, control))
            value = property == FlagProperty::visible ? cs->visible : cs->disabled;
    }
    notify({Operation::read, window.window, control, value ? "true" : "false"});
    return value;
}

void HeadlessFormModel::writeProperty(WindowRef window, Control control, TextProperty, std::string_view value)
{
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, control)) {
            cs->text.assign(value);
            ++cs->version;
        }
    }
    notify({Operation::write, window.window, control, Text(value)});
}

void HeadlessFormModel::writeProperty(WindowRef window, Control control, FlagProperty property, bool value)
{
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, control))
            (property == FlagProperty::visible ? cs->visible : cs->disabled) = value;
    }
    notify({Operation::write, window.window, control, value ? "true" : "false"});
}

void HeadlessFormModel::appendText(WindowRef window, Control editBox, std::string_view text)
{
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, editBox)) {
            cs->text.append(text);
            ++cs->version;
            ++state(window.window).appends[editBox];
        }
    }
    notify({Operation::append, window.window, editBox, Text(text)});
}

bool HeadlessFormModel::loadWindow(Window window, bool modal)
{
    std::uint64_t instance = 0;
    FormEvents* events = nullptr;
    {
        std::lock_guard lock(mutex_);
        WindowState& ws = state(window);
        if (ws.loaded)
            return true;
        resetToDesign(window);
        ws.loaded = true;
        ws.instance = instance = nextInstance_++;
        ws.modalLoad = modal;
        events = events_;
    }
    if (events)
        events->formCreated(window, instance);
    {
        std::lock_guard lock(mutex_);
        WindowState& ws = state(window);
        if (!ws.loaded || ws.instance != instance)
            return true; // the handler destroyed it
        if (modal) {
            ws.disabledByModal.clear();
            for (auto& [other, otherState] : windows_) {
                if (other == window || !otherState.loaded)
                    continue;
                ControlState& frame = otherState.controls[Control::Window];
                ws.disabledByModal[other] = frame.disabled;
                frame.disabled = true;
            }
        }
    }
    notify({Operation::load, window, Control::Window, {}});
    if (modal) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
            const WindowState& ws = state(window);
            return !ws.loaded || ws.instance != instance;
        });
    }
    return true;
}

void HeadlessFormModel::destroyLocked(Window window)
{
    WindowState& ws = state(window);
    if (!ws.loaded)
        return;
    for (auto& [other, wasDisabled] : ws.disabledByModal)
        state(other).controls[Control::Window].disabled = wasDisabled;
    ws.disabledByModal.clear();
    ws.loaded = false;
    resetToDesign(window);
}

void HeadlessFormModel::destroyWindow(Window window)
{
    bool destroyed = false;
    FormEvents* events = nullptr;
    {
        std::lock_guard lock(mutex_);
        destroyed = state(window).loaded;
        destroyLocked(window);
        events = events_;
    }
    if (destroyed && events)
        events->formDestroyed(window);
    notify({Operation::destroy, window, Control::Window, {}});
}

bool HeadlessFormModel::showFileDialog(WindowRef window, Control dialog)
{
    std::optional<Text> answer;
    {
        std::lock_guard lock(mutex_);
        answer = std::exchange(nextFileDialogAnswer_, std::nullopt);
        ControlState* cs = find(window, dialog);
        if (!cs)
            answer.reset();
        else if (answer) {
            cs->text = *answer;
            ++cs->version;
        }
    }
    notify({Operation::fileDialog, window.window, dialog, answer.value_or(Text())});
    return answer.has_value();
}

void HeadlessFormModel::showMessage(WindowRef owner, std::string_view caption, std::string_view text)
{
    {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(caption, text);
    }
    notify({Operation::message, owner.window, Control::Window, Text(text)});
}

std::vector<std::pair<Text, Text>> HeadlessFormModel::messages()
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::uint64_t HeadlessFormModel::loadedInstance(Window window)
{
    std::lock_guard lock(mutex_);
    const WindowState& ws = state(window);
    return ws.loaded ? ws.instance : 0;
}

void HeadlessFormModel::userSetText(Window window, Control editBox, std::string_view text)
{
    {
        std::lock_guard lock(mutex_);
        if (ControlState* cs = find(window, editBox)) {
            cs->text.assign(text);
            ++cs->version;
        }
        ++generation_;
    }
    changed_.notify_all();
}

void HeadlessFormModel::userClick(Window window, Control button)
{
    FormEvents* events = nullptr;
    {
        std::lock_guard lock(mutex_);
        ControlState* frame = find(window, Control::Window);
        ControlState* cs = find(window, button);
        if (!frame || !cs || frame->disabled || cs->disabled)
            return;
        events = events_;
    }
    if (events)
        events->buttonClick(window, button);
}

void HeadlessFormModel::userClose(Window window)
{
    destroyWindow(window);
}

void HeadlessFormModel::setNextFileDialogAnswer(std::optional<Text> fileName)
{
    std::lock_guard lock(mutex_);
    nextFileDialogAnswer_ = std::move(fileName);
}

void HeadlessFormModel::setObserver(std::function<void(const Record&)> observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

bool HeadlessFormModel::waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(mutex_);
            seen = generation_;
        }
        if (pred())
            return true;
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return generation_ != seen; }))
            return false;
    }
}

std::size_t HeadlessFormModel::appendCount(Window window, Control editBox)
{
    std::lock_guard lock(mutex_);
    return state(window).appends[editBox];
}

} // namespace kw
