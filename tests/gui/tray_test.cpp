// The tray on Qt: activation codes, the icon and its tip, and the popup at
// the cursor with the three entries.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "text/gbk_texts.h"
#endif

#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QtTest>

using namespace kw;
using test::QtProgramUnderTest;

namespace {

// What the user does: a left click on the entry.
void choose(QMenu& popup, int entry)
{
    QAction* action = popup.actions().at(entry);
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.actionGeometry(action).center());
}

} // namespace

class TrayTest : public QObject {
    Q_OBJECT

private slots:
    void activationCodes()
    {
        QCOMPARE(trayCode(QSystemTrayIcon::Trigger), 1);
        QCOMPARE(trayCode(QSystemTrayIcon::DoubleClick), 2);
        QCOMPARE(trayCode(QSystemTrayIcon::Context), 3);
        QCOMPARE(trayCode(QSystemTrayIcon::MiddleClick), 0);
        QCOMPARE(trayCode(QSystemTrayIcon::Unknown), 0);
    }

    void mainWindowPutsTheIconInPlaceAndItsDestructionTakesItAway()
    {
        QtProgramUnderTest program;
        QVERIFY(program.form.loadWindow(Window::MainWindow, false));
        QSystemTrayIcon* icon = program.tray.icon();
        QVERIFY(icon);
        QCOMPARE(icon->toolTip(), QStringLiteral("zaror"));
        QVERIFY(!icon->icon().isNull());
        QVERIFY(icon->isVisible());
        program.form.widget(Window::MainWindow)->close();
        QVERIFY(!program.tray.icon());
    }

    void popupOpensLeftOfAndAboveTheCursorWithTheThreeEntries()
    {
        QtProgramUnderTest program;
        QVERIFY(program.form.loadWindow(Window::MainWindow, false));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint cursor(screen.width() / 2, screen.height() / 3);
        QCursor::setPos(cursor);
        QCOMPARE(QCursor::pos(), cursor);

        QRect placed;
        QStringList entries;
        program.tray.setNextPopupHook([&](QMenu& popup) {
            placed = popup.geometry();
            for (QAction* action : popup.actions())
                entries << action->text();
            choose(popup, 0); // 隐藏
        });
        program.handlers->trayNotify(3);
        QCOMPARE(placed.x() + placed.width(), cursor.x() - 5);
        QCOMPARE(placed.y(), cursor.y() - 5);
        const auto shown = [](std::string_view gbk) { return gbkToDisplay(gbk, LineBreaks::single); };
        QCOMPARE(entries, (QStringList{shown(gbk::MenuHide), shown(gbk::MenuShow), shown(gbk::MenuExit)}));
        QVERIFY(!program.form.widget(Window::MainWindow)->isVisible());
        QVERIFY(program.tray.icon());

        program.tray.setNextPopupHook([](QMenu& popup) { popup.close(); }); // clicked elsewhere
        program.handlers->trayNotify(3);
        QVERIFY(!program.form.widget(Window::MainWindow)->isVisible());

        program.tray.setNextPopupHook([](QMenu& popup) { choose(popup, 1); });
        program.handlers->trayNotify(3);
        QVERIFY(program.form.widget(Window::MainWindow)->isVisible());
    }

    void leftClicksOpenNothing()
    {
        QtProgramUnderTest program;
        QVERIFY(program.form.loadWindow(Window::MainWindow, false));
        int popups = 0;
        for (int code : {1, 2}) {
            program.tray.setNextPopupHook([&](QMenu& popup) {
                ++popups;
                popup.close();
            });
            program.handlers->trayNotify(code);
        }
        QCOMPARE(popups, 0);
    }

    void trayMenuWorksWhileFilterWindowIsModal()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        bool mainGoneWhileFilterOpen = false;
        QTimer::singleShot(0, [&] {
            program.tray.setNextPopupHook([](QMenu& popup) { choose(popup, 2); }); // 退出
            program.handlers->trayNotify(3);
            QTRY_VERIFY_WITH_TIMEOUT(!form.widget(Window::MainWindow), 5000);
            mainGoneWhileFilterOpen = form.widget(Window::FilterWindow) != nullptr;
            QVERIFY(!program.tray.icon());
            form.widget(Window::FilterWindow)->close();
        });
        program.handlers->openFilterWindow();
        QVERIFY(mainGoneWhileFilterOpen);
        QVERIFY(!form.anyWindowLoaded());
    }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
