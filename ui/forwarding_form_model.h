#pragma once
// A form model that passes every operation on to another one. Benchmarks and
// tests derive from it to watch or hold one operation and leave the rest as
// they are.

#include "ui/form_model.h"

namespace kw {

class ForwardingFormModel : public FormModel {
public:
    explicit ForwardingFormModel(FormModel& inner) : inner_(inner) {}

    Text readProperty(WindowRef window, Control control, TextProperty property) override
    {
        return inner_.readProperty(window, control, property);
    }
    std::optional<VersionedText> readPropertyIfChanged(WindowRef window, Control control, TextProperty property,
                                                       std::uint64_t knownVersion) override
    {
        return inner_.readPropertyIfChanged(window, control, property, knownVersion);
    }
    bool readProperty(WindowRef window, Control control, FlagProperty property) override
    {
        return inner_.readProperty(window, control, property);
    }
    void writeProperty(WindowRef window, Control control, TextProperty property, std::string_view value) override
    {
        inner_.writeProperty(window, control, property, value);
    }
    void writeProperty(WindowRef window, Control control, FlagProperty property, bool value) override
    {
        inner_.writeProperty(window, control, property, value);
    }
    void appendText(WindowRef window, Control editBox, std::string_view text) override
    {
        inner_.appendText(window, editBox, text);
    }
    bool loadWindow(Window window, bool modal) override { return inner_.loadWindow(window, modal); }
    void destroyWindow(Window window) override { inner_.destroyWindow(window); }
    bool showFileDialog(WindowRef window, Control dialog) override { return inner_.showFileDialog(window, dialog); }
    void showMessage(WindowRef owner, std::string_view caption, std::string_view text) override
    {
        inner_.showMessage(owner, caption, text);
    }
    std::uint64_t loadedInstance(Window window) override { return inner_.loadedInstance(window); }

private:
    FormModel& inner_;
};

} // namespace kw
