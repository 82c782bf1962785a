#include "ui/window_designs.h"

#include "text/gbk_texts.h"

#include <array>

namespace kw {

namespace {

using enum Control;
using enum ControlKind;

constexpr std::array mainWindowControls{
    ControlDesign{编辑框1, EditBox, Window, 264, 40, 344, 24, {}},
    ControlDesign{按钮1, Button, Window, 616, 40, 104, 24, gbk::StartButtonCaption},
    ControlDesign{按钮2, Button, Window, 728, 40, 96, 24, gbk::RunningCaption},
    ControlDesign{编辑框2, EditBox, Window, 264, 80, 368, 376, {}, true},
    ControlDesign{标签1, Label, Window, 8, 488, 784, 32, {}},
    ControlDesign{分组框1, GroupBox, Window, 8, 32, 232, 448, {}},
    ControlDesign{标签2, Label, 分组框1, 8, 16, 96, 24, gbk::MiningOptionsHeading, false, true},
    ControlDesign{标签3, Label, 分组框1, 8, 48, 128, 16, gbk::RequiredTextCaption},
    ControlDesign{编辑框3, EditBox, 分组框1, 8, 64, 160, 24, {}},
    ControlDesign{标签4, Label, 分组框1, 8, 168, 80, 24, gbk::FilterResultsHeading, false, true},
    ControlDesign{标签5, Label, 分组框1, 16, 200, 136, 16, gbk::ExcludeTextCaption},
    ControlDesign{编辑框4, EditBox, 分组框1, 8, 224, 152, 24, {}},
    ControlDesign{标签6, Label, 分组框1, 16, 256, 104, 24, gbk::IncludeTextCaption},
    ControlDesign{编辑框5, EditBox, 分组框1, 8, 280, 152, 24, {}},
    ControlDesign{按钮3, Button, 分组框1, 32, 312, 72, 24, gbk::FilterButtonCaption},
};

constexpr std::array filterWindowControls{
    ControlDesign{编辑框1, EditBox, Window, 88, 8, 368, 384, {}, true},
    ControlDesign{标签1, Label, Window, 480, 16, 64, 24, gbk::DefaultLabelCaption},
    ControlDesign{按钮1, Button, Window, 208, 408, 88, 24, gbk::ExportButtonCaption},
    ControlDesign{通用对话框1, CommonDlg, Window, 496, 408, 24, 16, {}},
};

const WindowDesign mainWindowDesign{kw::Window::MainWindow, gbk::MainWindowCaption, 933, 569, true, mainWindowControls};
const WindowDesign filterWindowDesign{kw::Window::FilterWindow, gbk::FilterWindowCaption, 572, 484, false,
                                      filterWindowControls};

} // namespace

const WindowDesign& windowDesign(kw::Window window)
{
    return window == kw::Window::MainWindow ? mainWindowDesign : filterWindowDesign;
}

const ControlDesign* controlDesign(kw::Window window, Control control)
{
    for (const ControlDesign& design : windowDesign(window).controls) {
        if (design.name == control)
            return &design;
    }
    return nullptr;
}

} // namespace kw
