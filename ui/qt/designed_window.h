#pragma once
// A window built from its stored design: caption, outer size, centred
// place, fixed frame with a close button only, the menu bar (MainWindow),
// and every control at its stored place and size in the client area below
// the menu bar.

#include "ui/form_model.h"
#include "ui/qt/edge_widgets.h"
#include "ui/window_designs.h"

#include <QMenuBar>
#include <QWidget>

#include <functional>
#include <map>

namespace kw {

class DesignedWindow final : public QWidget {
public:
    // What the window reports; raised on the GUI thread.
    struct Reports {
        std::function<void(Control)> buttonClicked;
        std::function<void(MenuItem)> menuChosen;
        // The close button: the window asks whether it may close.
        std::function<void()> closeRequested;
        // The user is about to act on an edit box, in a way that may change
        // its text.
        std::function<void()> beforeUserInput;
        // The user changed the text of an edit box.
        std::function<void(Control)> textEdited;
    };

    DesignedWindow(Window window, Reports reports);

    Window window() const { return window_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QWidget* clientArea() const { return client_; }
    // nullptr for the dialog control, which is no widget.
    QWidget* controlWidget(Control control) const;
    EdgeControl* textControl(Control control) const;

    // The caption of the window itself, a control's text or caption, or a
    // dialog control's file name.
    Text readText(Control control) const;
    void writeText(Control control, std::string_view value);
    bool appendText(Control control, std::string_view value);

    // After its destruction a window reports nothing any more.
    void stopReporting() { reports_ = {}; }

    // Client size for the stored outer size, given the frame the window
    // manager puts around the window (none on the offscreen platform).
    void fitOuterSize();
    void centreOnScreen();

    // The face of the red bold headings: "宋体", or an installed CJK serif
    // face where it is missing.
    static QString headingFace();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenuBar();
    void buildControls();
    // The menu bar across the top, the client area below it.
    void layOutClientArea();

    const Window window_;
    const WindowDesign& design_;
    Reports reports_;
    EdgeText caption_{LineBreaks::single};
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    std::map<Control, QWidget*> widgets_;
    std::map<Control, EdgeControl*> textControls_;
    std::map<Control, Text> fileNames_; // the dialog controls
};

} // namespace kw
