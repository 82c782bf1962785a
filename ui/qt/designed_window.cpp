#include "ui/qt/designed_window.h"

#include "text/gbk_texts.h"
#include "ui/menu_design.h"
#include "ui/program_icon.h"
#include "ui/qt/menu_builder.h"
#include "ui/qt/qt_icon.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace kw {

namespace {

constexpr int HeadingPixelSize = 14;

Qt::WindowFlags frameFlags(Window window)
{
    // Fixed frame with a title bar and a close button only. FilterWindow is a
    // dialog window: it gets no taskbar entry of its own.
    const Qt::WindowFlags type = window == Window::FilterWindow ? Qt::Dialog : Qt::Window;
    return type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
}

QFont headingFont()
{
    QFont font(DesignedWindow::headingFace());
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(HeadingPixelSize);
    font.setBold(true);
    return font;
}

} // namespace

QString DesignedWindow::headingFace()
{
    const QString designed = gbkToDisplay(gbk::HeadingFontFace, LineBreaks::single);
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : {designed, QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC")}) {
        if (installed.contains(face, Qt::CaseInsensitive))
            return face;
    }
    return designed; // nothing better installed: let the font matching choose
}

DesignedWindow::DesignedWindow(Window window, Reports reports)
    : QWidget(nullptr, frameFlags(window)), window_(window), design_(windowDesign(window)), reports_(std::move(reports))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(iconFromFile(ProgramIcon));
    writeText(Control::Window, design_.caption);
    if (design_.hasMenuBar)
        buildMenuBar();
    client_ = new QWidget(this);
    buildControls();
    fitOuterSize();
    centreOnScreen();
}

void DesignedWindow::buildMenuBar()
{
    menuBar_ = new QMenuBar(this);
    menuBar_->setNativeMenuBar(false);
    const auto menu = mainWindowMenu();
    for (const MenuItemDesign& item : menu) {
        if (item.level != 0 || !item.visible)
            continue;
        QMenu* top = menuBar_->addMenu(literalAmpersands(gbkToDisplay(item.caption, LineBreaks::single)));
        top->menuAction()->setEnabled(!item.disabled);
        addPopupEntries(*top, popupEntriesOf(menu, item.item));
        connect(top, &QMenu::triggered, this, [this](QAction* action) {
            if (const auto chosen = menuItemOf(action); chosen && reports_.menuChosen)
                reports_.menuChosen(*chosen);
        });
    }
}

void DesignedWindow::buildControls()
{
    for (const ControlDesign& design : design_.controls) {
        QWidget* parent = design.parent == Control::Window ? client_ : widgets_.at(design.parent);
        QWidget* widget = nullptr;
        EdgeControl* text = nullptr;
        switch (design.kind) {
        case ControlKind::EditBox:
            if (design.multiLine) {
                auto* box = new EdgePlainTextEdit(parent);
                widget = box;
                text = box;
            } else {
                auto* box = new EdgeLineEdit(parent);
                widget = box;
                text = box;
            }
            break;
        case ControlKind::Label: {
            auto* label = new CaptionLabel(parent);
            if (design.heading) {
                label->setFont(headingFont());
                QPalette red = label->palette();
                red.setColor(QPalette::WindowText, QColor(255, 0, 0));
                label->setPalette(red);
            }
            widget = label;
            text = label;
            break;
        }
        case ControlKind::Button: {
            auto* button = new CaptionButton(parent);
            connect(button, &QPushButton::clicked, this, [this, name = design.name] {
                if (reports_.buttonClicked)
                    reports_.buttonClicked(name);
            });
            widget = button;
            text = button;
            break;
        }
        case ControlKind::GroupBox: {
            auto* group = new CaptionGroupBox(parent);
            widget = group;
            text = group;
            break;
        }
        case ControlKind::CommonDlg:
            fileNames_[design.name] = Text();
            continue;
        }
        widget->setGeometry(design.left, design.top, design.width, design.height);
        text->writeText(design.designValue);
        text->setUserInputReports(
            [this] {
                if (reports_.beforeUserInput)
                    reports_.beforeUserInput();
            },
            [this, name = design.name] {
                if (reports_.textEdited)
                    reports_.textEdited(name);
            });
        widgets_[design.name] = widget;
        textControls_[design.name] = text;
    }
}

QWidget* DesignedWindow::controlWidget(Control control) const
{
    const auto it = widgets_.find(control);
    return it == widgets_.end() ? nullptr : it->second;
}

EdgeControl* DesignedWindow::textControl(Control control) const
{
    const auto it = textControls_.find(control);
    return it == textControls_.end() ? nullptr : it->second;
}

Text DesignedWindow::readText(Control control) const
{
    if (control == Control::Window)
        return caption_.bytes();
    if (const auto it = fileNames_.find(control); it != fileNames_.end())
        return it->second;
    const EdgeControl* text = textControl(control);
    return text ? text->readText() : Text();
}

void DesignedWindow::writeText(Control control, std::string_view value)
{
    if (control == Control::Window) {
        // "[*]" is Qt's mark for the modified state; doubled it shows as itself.
        setWindowTitle(caption_.assign(value).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
        return;
    }
    if (const auto it = fileNames_.find(control); it != fileNames_.end()) {
        it->second.assign(value);
        return;
    }
    if (EdgeControl* text = textControl(control))
        text->writeText(value);
}

bool DesignedWindow::appendText(Control control, std::string_view value)
{
    EdgeControl* text = textControl(control);
    return text && text->appendText(value);
}

void DesignedWindow::fitOuterSize()
{
    // The frame is known once the window manager has put it around the
    // window; until then, and without a window manager, it is none.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize client(design_.outerWidth - frame.width(), design_.outerHeight - frame.height());
    if (size() != client || minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
    // A window not yet shown gets its resize event only when it is shown;
    // its controls have their places from the start.
    layOutClientArea();
}

void DesignedWindow::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + centredOrigin(area.width(), design_.outerWidth),
         area.y() + centredOrigin(area.height(), design_.outerHeight));
}

void DesignedWindow::closeEvent(QCloseEvent* event)
{
    // The window itself is destroyed by the form model (or not at all while
    // a modal window keeps it disabled).
    event->ignore();
    if (isEnabled() && reports_.closeRequested)
        reports_.closeRequested();
}

void DesignedWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutClientArea();
}

void DesignedWindow::layOutClientArea()
{
    int top = 0;
    if (menuBar_) {
        top = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, 0, width(), top);
    }
    client_->setGeometry(0, top, width(), height() - top);
}

void DesignedWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A window manager reparents the window into its frame and moves it.
    const QSize before = size();
    fitOuterSize();
    if (size() != before)
        centreOnScreen();
}

void DesignedWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitOuterSize();
}

} // namespace kw
