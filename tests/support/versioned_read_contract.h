#pragma once
// What every form model promises about readPropertyIfChanged, checked on
// MainWindow's 编辑框2 of a model with MainWindow loaded. The model's own
// test supplies how a user edits the box (returning the text the box then
// holds) and how the window is closed and loaded again. Gives the first
// broken promise, or the empty string.

#include "ui/form_model.h"

#include <functional>
#include <limits>
#include <string>

namespace kw::test {

inline std::string versionedReadContract(FormModel& form, const std::function<Text()>& userEdit,
                                         const std::function<void()> closeWindow,
                                         const std::function<void()> loadWindowAgain)
{
    const WindowRef main(Window::MainWindow);
    const Control box = Control::编辑框2;
    auto read = [&](std::uint64_t known) { return form.readPropertyIfChanged(main, box, TextProperty::text, known); };

    const auto first = read(std::numeric_limits<std::uint64_t>::max());
    if (!first || first->version == 0 || first->text != form.readProperty(main, box, TextProperty::text))
        return "a first reading gives the text with a version";
    if (read(first->version))
        return "no change, and yet a text";

    form.writeProperty(main, box, TextProperty::text, "a\r\n");
    const auto written = read(first->version);
    if (!written || written->text != "a\r\n" || written->version != first->version + 1)
        return "a write raises the version by one";
    form.appendText(main, box, "b\r\n");
    const auto appended = read(written->version);
    if (!appended || appended->text != "a\r\nb\r\n" || appended->version != written->version + 1)
        return "an append raises the version by one";
    form.appendText(main, box, "c");
    form.appendText(main, box, "\r\n");
    const auto twice = read(appended->version + 1);
    if (!twice || twice->text != "a\r\nb\r\nc\r\n" || twice->version != appended->version + 2)
        return "two appends raise the version by two";

    const Text edited = userEdit();
    const auto afterEdit = read(twice->version);
    if (!afterEdit || afterEdit->text != edited || afterEdit->version <= twice->version)
        return "the user's edit is a change: '" + (afterEdit ? afterEdit->text : Text("nothing")) + "'";
    if (read(afterEdit->version))
        return "no change after the user's edit, and yet a text";
    form.appendText(main, box, "d\r\n");
    const auto appendedAfterEdit = read(afterEdit->version);
    if (!appendedAfterEdit || appendedAfterEdit->text != edited + "d\r\n" ||
        appendedAfterEdit->version != afterEdit->version + 1)
        return "an append after the user's edit goes on from the edited text";

    closeWindow();
    const auto gone = read(appendedAfterEdit->version);
    if (!gone || !gone->text.empty() || gone->version != 0)
        return "a window that is not loaded gives the empty text with version 0";
    if (read(0))
        return "version 0 is known for a window that is not loaded";
    loadWindowAgain();
    const auto reloaded = read(appendedAfterEdit->version);
    if (!reloaded || !reloaded->text.empty() || reloaded->version <= appendedAfterEdit->version)
        return "a new loading goes on with higher versions";
    return {};
}

} // namespace kw::test
