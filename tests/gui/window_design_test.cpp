// Both windows as designed: frame, size, place, menu bar, every control at
// its stored place and size, fonts, and how labels and buttons draw text.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "text/gbk_texts.h"
#include "ui/qt/gui_task_queue.h"
#include "ui/qt/qt_form_model.h"
#endif

#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

using namespace kw;

namespace {

QString shown(std::string_view gbk)
{
    return gbkToDisplay(gbk, LineBreaks::single);
}

// The columns of an image that hold any pixel darker than the background.
std::pair<int, int> inkColumns(const QImage& image)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

std::pair<int, int> inkRows(const QImage& image)
{
    return inkColumns(image.transformed(QTransform().rotate(90)));
}

} // namespace

class WindowDesignTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiTaskQueue> queue;
    std::unique_ptr<QtFormModel> form;

    DesignedWindow& load(Window window)
    {
        [&] { QVERIFY(form->loadWindow(window, false)); }();
        return *form->widget(window);
    }

private slots:
    void init()
    {
        queue = std::make_unique<GuiTaskQueue>();
        form = std::make_unique<QtFormModel>(*queue);
    }
    void cleanup()
    {
        form.reset();
        queue.reset();
    }

    void frameSizePlaceAndFlags_data()
    {
        QTest::addColumn<int>("window");
        QTest::newRow("MainWindow") << int(Window::MainWindow);
        QTest::newRow("FilterWindow") << int(Window::FilterWindow);
    }
    void frameSizePlaceAndFlags()
    {
        QFETCH(int, window);
        const WindowDesign& design = windowDesign(Window(window));
        DesignedWindow& top = load(Window(window));
        QCOMPARE(top.windowTitle(), shown(design.caption));
        QCOMPARE(top.frameGeometry().size(), QSize(design.outerWidth, design.outerHeight));
        QCOMPARE(top.minimumSize(), top.maximumSize()); // the user cannot resize it
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(top.frameGeometry().topLeft(), QPoint(centredOrigin(screen.width(), design.outerWidth),
                                                       centredOrigin(screen.height(), design.outerHeight)));
        const Qt::WindowFlags flags = top.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QCOMPARE(top.windowType(), Window(window) == Window::FilterWindow ? Qt::Dialog : Qt::Window);
        QVERIFY(top.isVisible());
        QVERIFY(!top.windowIcon().isNull());
    }

    void centringTruncatesTowardZero()
    {
        QCOMPARE(centredOrigin(800, 933), -66);
        QCOMPARE(centredOrigin(1024, 569), 227);
        QCOMPARE(centredOrigin(1023, 572), 225);
    }

    void menuBarOfMainWindowOnly()
    {
        DesignedWindow& main = load(Window::MainWindow);
        QMenuBar* bar = main.menuBar();
        QVERIFY(bar);
        const QList<QAction*> top = bar->actions();
        QCOMPARE(top.size(), 1);
        QCOMPARE(top[0]->text(), shown(gbk::MenuTitle));
        QMenu* menu = top[0]->menu();
        QVERIFY(menu);
        QStringList entries;
        for (QAction* action : menu->actions()) {
            entries << action->text();
            QVERIFY(action->isVisible() && action->isEnabled());
        }
        QCOMPARE(entries, (QStringList{shown(gbk::MenuHide), shown(gbk::MenuShow), shown(gbk::MenuExit)}));
        // The client area begins below the menu bar and fills the rest.
        QCOMPARE(main.clientArea()->geometry(), QRect(0, bar->height(), main.width(), main.height() - bar->height()));
        QVERIFY(bar->height() > 10);

        DesignedWindow& filter = load(Window::FilterWindow);
        QVERIFY(!filter.menuBar());
        QCOMPARE(filter.clientArea()->geometry(), filter.rect());
    }

    void everyControlAtItsStoredPlaceWithItsDesignValue_data()
    {
        QTest::addColumn<int>("window");
        QTest::newRow("MainWindow") << int(Window::MainWindow);
        QTest::newRow("FilterWindow") << int(Window::FilterWindow);
    }
    void everyControlAtItsStoredPlaceWithItsDesignValue()
    {
        QFETCH(int, window);
        const WindowDesign& design = windowDesign(Window(window));
        DesignedWindow& top = load(Window(window));
        int widgets = 0;
        for (const ControlDesign& control : design.controls) {
            const QByteArray name = QByteArray::number(int(control.name));
            QWidget* widget = top.controlWidget(control.name);
            QCOMPARE(form->readProperty(Window(window), control.name, TextProperty::text), Text(control.designValue));
            if (control.kind == ControlKind::CommonDlg) {
                QVERIFY2(!widget, name);
                QVERIFY(!form->readProperty(Window(window), control.name, FlagProperty::visible));
                continue;
            }
            QVERIFY2(widget, name);
            ++widgets;
            QCOMPARE(widget->geometry(), QRect(control.left, control.top, control.width, control.height));
            QWidget* parent = control.parent == Control::Window ? top.clientArea() : top.controlWidget(control.parent);
            QCOMPARE(widget->parentWidget(), parent);
            QVERIFY2(widget->isVisible(), name);
            QVERIFY2(widget->isEnabled(), name);
            QVERIFY(form->readProperty(Window(window), control.name, FlagProperty::visible));
            QVERIFY(!form->readProperty(Window(window), control.name, FlagProperty::disabled));
            const bool focusable = control.kind == ControlKind::EditBox || control.kind == ControlKind::Button;
            QCOMPARE(widget->focusPolicy() != Qt::NoFocus, focusable);
            if (control.kind == ControlKind::EditBox) {
                if (control.multiLine) {
                    auto* box = qobject_cast<QPlainTextEdit*>(widget);
                    QVERIFY2(box, name);
                    QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                    QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
                } else {
                    auto* box = qobject_cast<QLineEdit*>(widget);
                    QVERIFY2(box, name);
                    QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
                }
            }
        }
        QCOMPARE(widgets, window == int(Window::MainWindow) ? 15 : 3);
    }

    void groupBoxHoldsItsNineControls()
    {
        DesignedWindow& main = load(Window::MainWindow);
        QWidget* group = main.controlWidget(Control::分组框1);
        int members = 0;
        for (const ControlDesign& control : windowDesign(Window::MainWindow).controls)
            members += main.controlWidget(control.name) && main.controlWidget(control.name)->parentWidget() == group;
        QCOMPARE(members, 9);
        // Its members are clipped inside it: they lie within its rectangle.
        for (QObject* child : group->children()) {
            if (auto* widget = qobject_cast<QWidget*>(child))
                QVERIFY(group->rect().contains(widget->geometry()));
        }
    }

    void headingsAreRedBoldSerifAtFourteenPixels()
    {
        DesignedWindow& main = load(Window::MainWindow);
        const QString face = DesignedWindow::headingFace();
        const QStringList acceptable{shown(gbk::HeadingFontFace), QStringLiteral("SimSun"),
                                     QStringLiteral("Noto Serif CJK SC")};
        QVERIFY2(acceptable.contains(face), qPrintable(face));
        for (const ControlDesign& control : windowDesign(Window::MainWindow).controls) {
            QWidget* widget = main.controlWidget(control.name);
            if (!widget)
                continue;
            const QFont font = widget->font();
            if (control.heading) {
                QCOMPARE(QFontInfo(font).family(), face);
                QCOMPARE(font.pixelSize(), 14);
                QVERIFY(font.bold());
                QCOMPARE(widget->palette().color(QPalette::WindowText), QColor(255, 0, 0));
            } else {
                QCOMPARE(font, QApplication::font(widget));
                QVERIFY(widget->palette().color(QPalette::WindowText) != QColor(255, 0, 0));
            }
        }
    }

    void labelsShowOneLineCutOffWithAmpersandsAsThey()
    {
        DesignedWindow& main = load(Window::MainWindow);
        auto* label = dynamic_cast<CaptionLabel*>(main.controlWidget(Control::标签3));
        QVERIFY(label);
        label->setPalette(QPalette(Qt::black, Qt::white));
        auto render = [&](std::string_view caption, QSize size) {
            form->writeProperty(Window::MainWindow, Control::标签3, TextProperty::caption, caption);
            label->resize(size);
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        const Text longCaption = "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
        const QImage narrow = render(longCaption, QSize(128, 16));
        const QImage wide = render(longCaption, QSize(1000, 16));
        // Cut off, not elided: the narrow label shows the wide one's beginning
        // pixel for pixel, up to its own right edge.
        QCOMPARE(narrow, wide.copy(0, 0, 128, 16));
        QCOMPARE(inkColumns(narrow).second, 127);

        // A line break does not start a second line: the text stays in one band.
        const QImage broken = render("AB\r\nCD", QSize(200, 60));
        const auto rows = inkRows(broken);
        QVERIFY(rows.second - rows.first < label->fontMetrics().height());
        QVERIFY(inkColumns(broken).second > inkColumns(render("AB", QSize(200, 60))).second + 5);

        // '&' is drawn: "A&B" is wider than "AB" by about the width of "&".
        const int without = inkColumns(render("AB", QSize(200, 16))).second;
        const int withAmpersand = inkColumns(render("A&B", QSize(200, 16))).second;
        QVERIFY(withAmpersand - without >= label->fontMetrics().horizontalAdvance('&') - 2);
        QCOMPARE(form->readProperty(Window::MainWindow, Control::标签3, TextProperty::caption), Text("A&B"));
    }

    void ampersandsOnButtonsAndMenusAreNoMnemonics()
    {
        DesignedWindow& main = load(Window::MainWindow);
        auto* button = qobject_cast<QPushButton*>(main.controlWidget(Control::按钮1));
        form->writeProperty(Window::MainWindow, Control::按钮1, TextProperty::caption, "&Go & stop");
        QVERIFY(button->shortcut().isEmpty()); // no Alt+G accelerator
        QCOMPARE(form->readProperty(Window::MainWindow, Control::按钮1, TextProperty::caption), Text("&Go & stop"));
        QCOMPARE(literalAmpersands(QStringLiteral("a&b&&")), QStringLiteral("a&&b&&&&"));
        for (QAction* action : main.menuBar()->actions())
            QVERIFY(action->shortcut().isEmpty());
    }
};

QTEST_MAIN(WindowDesignTest)
#include "window_design_test.moc"
