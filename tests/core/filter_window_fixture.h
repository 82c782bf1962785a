#pragma once
// Both windows loaded on the headless form model, with the result list and
// the two filter texts set as a user would, for the filter pass's tests.

#include "app/globals.h"
#include "app/text_list.h"
#include "filter/result_filter.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace kw::test {

class FilterWindowTest : public ::testing::Test {
protected:
    FilterWindowTest() { form.loadWindow(Window::MainWindow, false); }

    void setResults(std::string_view text) { form.userSetText(Window::MainWindow, Control::编辑框2, text); }
    void setFilters(std::string_view exclude, std::string_view include)
    {
        form.userSetText(Window::MainWindow, Control::编辑框4, exclude);
        form.userSetText(Window::MainWindow, Control::编辑框5, include);
    }

    // Loads FilterWindow and returns the loading's instance.
    std::uint64_t loadFilterWindow()
    {
        form.loadWindow(Window::FilterWindow, false);
        return form.loadedInstance(Window::FilterWindow);
    }

    // Runs a whole pass on the calling thread.
    void runPass(std::uint64_t instance) { ResultFilter({form, globals, instance, {}}); }

    Text shownCount() { return form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption); }
    Text shownLines() { return form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text); }

    HeadlessFormModel form;
    Globals globals;
};

// "kw0\r\nkw1\r\n...": `count` lines made of the prefix and their number.
inline std::string numberedLines(std::string_view prefix, int first, int count)
{
    std::string text;
    for (int i = first; i < first + count; ++i)
        text.append(prefix).append(std::to_string(i)).append("\r\n");
    return text;
}

} // namespace kw::test
