#include "filter/result_filter.h"

#include "app/text_list.h"
#include "text/text.h"

#include <optional>

namespace kw {

namespace {

constexpr std::string_view LineBreak = "\r\n";

// A pass is over once its loading of FilterWindow is gone or the program is
// shutting down. Its writes would be dropped anyway, since they address that
// loading only, but the reads and the walk behind them would go on for
// nothing.
bool passIsOver(const FilterPassContext& context)
{
    return context.stop.stop_requested() ||
           context.form.loadedInstance(Window::FilterWindow) != context.filterWindowInstance;
}

// The user may edit the box while the pass runs: a first reading decides
// whether the box takes part at all, and a second one gives the text used.
std::optional<Text> readFilterText(FormModel& form, Control box)
{
    if (form.readProperty(Window::MainWindow, box, TextProperty::text).empty())
        return std::nullopt;
    return form.readProperty(Window::MainWindow, box, TextProperty::text);
}

// Waits until every older pass has ended. A pass whose window has closed in
// the meantime gives up without touching the list: a newer loading exists
// only after the older one was destroyed, so a late pass never runs over a
// newer pass's window. The passes ahead of a waiting one all belong to
// closed loadings and end at their next check, so the wait is short.
bool waitForOwnTurn(const FilterPassContext& context, TurnQueue::Place& place)
{
    return !passIsOver(context) && place.waitForTurn(context.stop) && !passIsOver(context);
}

} // namespace

void ResultFilter(const FilterPassContext& context)
{
    FormModel& form = context.form;
    Globals& globals = context.globals;
    const WindowRef filterWindow{Window::FilterWindow, context.filterWindowInstance};

    TurnQueue::Place place = globals.FilterPassTurns.join();
    if (!waitForOwnTurn(context, place))
        return;

    // The text as it stands now; lines a running mining run appends later
    // are not part of this pass.
    TextList lines = splitText(form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text), LineBreak);
    listRelease(globals.FilterLineList);
    globals.FilterLineList = std::move(lines);

    const std::int32_t lineCount = listCount(globals.FilterLineList);
    form.writeProperty(filterWindow, Control::标签1, TextProperty::caption, intToText(lineCount));
    form.writeProperty(filterWindow, Control::编辑框1, TextProperty::text, Text());

    // The counter itself walks the lines, so it ends one past the last line.
    for (globals.FilterLineCounter = 1; globals.FilterLineCounter <= lineCount; ++globals.FilterLineCounter) {
        if (passIsOver(context))
            return;
        const Text line = listMember(globals.FilterLineList, globals.FilterLineCounter);
        // A line that passes both tests is listed twice, first for the
        // exclude text, then for the include text.
        if (const auto excluded = readFilterText(form, Control::编辑框4); excluded && findText(line, *excluded) == -1)
            form.appendText(filterWindow, Control::编辑框1, concatTexts(line, LineBreak));
        if (passIsOver(context))
            return;
        if (const auto included = readFilterText(form, Control::编辑框5); included && findText(line, *included) != -1)
            form.appendText(filterWindow, Control::编辑框1, concatTexts(line, LineBreak));
    }
}

} // namespace kw
