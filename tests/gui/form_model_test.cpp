// The Qt form model on the GUI thread: the handlers through real clicks,
// the modal FilterWindow, design values on reload, appendText, the GBK edge
// through the real widgets, and the save dialog.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "text/gbk_texts.h"
#include "ui/qt/text_save_dialog.h"
#endif

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <random>

using namespace kw;
using test::QtProgramUnderTest;

namespace {

Text read(QtFormModel& form, Window window, Control control)
{
    return form.readProperty(window, control, TextProperty::text);
}

QString shown(std::string_view gbk)
{
    return gbkToDisplay(gbk, LineBreaks::single);
}

// Random bytes without NUL, with line breaks of every kind and bytes that
// are not valid GBK.
Text randomBytes(std::mt19937& random)
{
    static const std::vector<std::string> pieces{"\r\n", "\r",   "\n",   "\xb9\xfd", "\xc2\xcb", "a",   " ",
                                                 "&",    "\x80", "\xff", "\x81\x30", "\xfe\xfe", "\xb9"};
    Text text;
    const int count = std::uniform_int_distribution(0, 12)(random);
    for (int i = 0; i < count; ++i) {
        if (random() % 3 == 0)
            text.push_back(static_cast<char>(std::uniform_int_distribution(1, 255)(random)));
        else
            text += pieces[random() % pieces.size()];
    }
    return text;
}

} // namespace

class FormModelTest : public QObject {
    Q_OBJECT

private slots:
    void togglePauseThroughClicks()
    {
        QtProgramUnderTest program;
        QVERIFY(program.form.loadWindow(Window::MainWindow, false));
        auto* pause = qobject_cast<QPushButton*>(program.control(Window::MainWindow, Control::按钮2));
        QCOMPARE(pause->text(), shown(gbk::RunningCaption));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(program.form.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption),
                 Text(gbk::PausedCaption));
        QCOMPARE(pause->text(), shown(gbk::PausedCaption));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(program.form.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption),
                 Text(gbk::RunningCaption));
    }

    void modalFilterWindowDisablesMainWindowUntilClosed()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        bool checkedInside = false;
        QTimer::singleShot(0, [&] {
            DesignedWindow* main = form.widget(Window::MainWindow);
            DesignedWindow* filter = form.widget(Window::FilterWindow);
            QVERIFY(filter && filter->isVisible());
            QVERIFY(!main->isEnabled());
            QVERIFY(form.readProperty(Window::MainWindow, Control::Window, FlagProperty::disabled));
            // The user can neither click nor close MainWindow now.
            QTest::mouseClick(program.control(Window::MainWindow, Control::按钮2), Qt::LeftButton);
            QCOMPARE(form.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption),
                     Text(gbk::RunningCaption));
            main->close();
            QVERIFY(form.widget(Window::MainWindow));
            checkedInside = true;
            filter->close();
        });
        QTest::mouseClick(program.control(Window::MainWindow, Control::按钮3), Qt::LeftButton);
        // The click's handler returned only after FilterWindow had gone.
        QVERIFY(checkedInside);
        QVERIFY(!form.widget(Window::FilterWindow));
        QVERIFY(form.widget(Window::MainWindow)->isEnabled());
        QVERIFY(!form.readProperty(Window::MainWindow, Control::Window, FlagProperty::disabled));
    }

    void closingFilterWindowRestoresTheRememberedState()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        form.writeProperty(Window::MainWindow, Control::Window, FlagProperty::disabled, true);
        QTimer::singleShot(0, [&] { form.destroyWindow(Window::FilterWindow); });
        program.handlers->openFilterWindow();
        QVERIFY(form.readProperty(Window::MainWindow, Control::Window, FlagProperty::disabled));
        QVERIFY(!form.widget(Window::MainWindow)->isEnabled());
    }

    void reloadShowsTheDesignValuesAgain()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        const std::uint64_t first = form.loadedInstance(Window::FilterWindow);
        form.writeProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text, "a\r\nb\r\n");
        form.writeProperty(Window::FilterWindow, Control::标签1, TextProperty::caption, "2");
        form.writeProperty(Window::FilterWindow, Control::通用对话框1, TextProperty::fileName, "/tmp/x.txt");
        form.writeProperty(Window::FilterWindow, Control::按钮1, FlagProperty::disabled, true);
        form.widget(Window::FilterWindow)->close();
        QCOMPARE(form.loadedInstance(Window::FilterWindow), 0u);

        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        QVERIFY(form.loadedInstance(Window::FilterWindow) != first);
        QCOMPARE(read(form, Window::FilterWindow, Control::编辑框1), Text());
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption),
                 Text(gbk::DefaultLabelCaption));
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::通用对话框1, TextProperty::fileName), Text());
        QVERIFY(!form.readProperty(Window::FilterWindow, Control::按钮1, FlagProperty::disabled));
    }

    void operationsOnAWindowThatIsNotLoadedAreDropped()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        form.writeProperty(Window::FilterWindow, Control::标签1, TextProperty::caption, "x");
        form.appendText(Window::FilterWindow, Control::编辑框1, "x");
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption), Text());
        QVERIFY(!form.readProperty(Window::FilterWindow, Control::Window, FlagProperty::visible));

        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        const std::uint64_t first = form.loadedInstance(Window::FilterWindow);
        form.widget(Window::FilterWindow)->close();
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        // An earlier loading's name reaches nothing in the new one.
        form.appendText({Window::FilterWindow, first}, Control::编辑框1, "old pass");
        form.writeProperty({Window::FilterWindow, first}, Control::标签1, TextProperty::caption, "9");
        QCOMPARE(read(form, Window::FilterWindow, Control::编辑框1), Text());
        QCOMPARE(form.readProperty({Window::FilterWindow, first}, Control::标签1, TextProperty::caption), Text());
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption),
                 Text(gbk::DefaultLabelCaption));
    }

    void appendTextMovesTheCaretToTheEndAndShowsIt()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        QPlainTextEdit* box = program.box(Window::MainWindow, Control::编辑框2);
        Text lines;
        for (int i = 0; i < 60; ++i)
            lines += "line " + std::to_string(i) + "\r\n";
        form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, lines);

        struct Case {
            const char* what;
            int anchor;
            int position;
        };
        for (const Case& c :
             {Case{"caret in the middle", 20, 20}, Case{"a selection", 10, 30}, Case{"a selection backwards", 40, 5}}) {
            QTextCursor cursor = box->textCursor();
            cursor.setPosition(c.anchor);
            cursor.setPosition(c.position, QTextCursor::KeepAnchor);
            box->setTextCursor(cursor);
            box->verticalScrollBar()->setValue(0);

            form.appendText(Window::MainWindow, Control::编辑框2, "added\r\n");
            lines += "added\r\n";
            QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), lines);
            QVERIFY2(!box->textCursor().hasSelection(), c.what);
            QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);
            QCOMPARE(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
        }
    }

    void appendTextLeavesNoUndoRecordAndWorksOnADisabledBox()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        QPlainTextEdit* box = program.box(Window::MainWindow, Control::编辑框2);
        box->setFocus();
        QTest::keyClicks(box, "typed");
        form.appendText(Window::MainWindow, Control::编辑框2, "\r\nappended");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), Text("typed\r\nappended"));

        form.writeProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled, true);
        QVERIFY(!box->isEnabled());
        form.appendText(Window::MainWindow, Control::编辑框2, "\r\nwhile disabled");
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), Text("typed\r\nappended\r\nwhile disabled"));
        QVERIFY(box->toPlainText().endsWith(QStringLiteral("while disabled")));
    }

    void programTextReadsBackByteForByteThroughTheWidgets()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        std::mt19937 random(20240611);
        struct Target {
            Window window;
            Control control;
        };
        std::vector<Target> targets{{Window::MainWindow, Control::Window}, {Window::FilterWindow, Control::Window}};
        for (Window window : {Window::MainWindow, Window::FilterWindow})
            for (const ControlDesign& design : windowDesign(window).controls)
                targets.push_back({window, design.name});

        for (int round = 0; round < 40; ++round) {
            for (const Target& target : targets) {
                const Text value = randomBytes(random);
                form.writeProperty(target.window, target.control, TextProperty::caption, value);
                QCOMPARE(read(form, target.window, target.control), value);
            }
            // Appends, with a CR LF split between two of them now and then.
            Text all = randomBytes(random);
            form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, all);
            for (int i = 0; i < 8; ++i) {
                const Text piece = randomBytes(random);
                form.appendText(Window::MainWindow, Control::编辑框2, piece);
                all += piece;
            }
            QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), all);
        }
    }

    void userEditsBecomeTheTruth()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        const Text gbkLines = "\xb9\xfd\xc2\xcb\r\nab";
        form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, gbkLines);
        QPlainTextEdit* box = program.box(Window::MainWindow, Control::编辑框2);
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), gbkLines + "\r\n");
        form.appendText(Window::MainWindow, Control::编辑框2, "c\r\n");
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), gbkLines + "\r\nc\r\n");

        auto* line = qobject_cast<QLineEdit*>(program.control(Window::MainWindow, Control::编辑框1));
        form.writeProperty(Window::MainWindow, Control::编辑框1, TextProperty::text, "seed");
        line->end(false);
        QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QStringLiteral("过"), Qt::NoModifier);
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框1), Text("seed\xb9\xfd"));
    }

    void hidingAndShowingMainWindow()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        DesignedWindow* main = form.widget(Window::MainWindow);
        const QPoint place = main->pos();
        program.handlers->hideMainWindow();
        QVERIFY(!main->isVisible());
        QVERIFY(form.widget(Window::MainWindow));
        form.appendText(Window::MainWindow, Control::编辑框2, "while hidden");
        program.handlers->showMainWindow();
        QVERIFY(main->isVisible());
        QCOMPARE(main->pos(), place);
        QCOMPARE(read(form, Window::MainWindow, Control::编辑框2), Text("while hidden"));
    }

    void closingMainWindowEndsThroughTheLastWindowRule()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        int ends = 0;
        form.setLastWindowGone([&] { ++ends; });
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        program.handlers->exitProgram(); // queued
        QTRY_VERIFY_WITH_TIMEOUT(!form.widget(Window::MainWindow), 5000);
        QCOMPARE(ends, 0);
        form.widget(Window::FilterWindow)->close();
        QCOMPARE(ends, 1);
    }

    void saveDialogNamesAndExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("plain name") << "result"
                                    << "result.txt";
        QTest::newRow("with .txt") << "result.txt"
                                   << "result.txt";
        QTest::newRow("any case") << "result.TxT"
                                  << "result.TxT";
        QTest::newRow("another extension") << "result.md"
                                           << "result.md.txt";
        QTest::newRow("only a dot") << "result."
                                    << "result..txt";
        QTest::newRow("Chinese name") << "结果"
                                      << "结果.txt";
    }
    void saveDialogNamesAndExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        form.setNextFileDialogHook([&](QDialog& dialog) {
            auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
            QCOMPARE(chooser.acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(chooser.nameFilters(), QStringList{shown(gbk::ExportFilter).split('|')[0] + " (*.txt)"});
            chooser.setDirectory(folder.path());
            chooser.typeAndAccept(typed);
        });
        QVERIFY(form.showFileDialog(Window::FilterWindow, Control::通用对话框1));
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::通用对话框1, TextProperty::fileName),
                 displayToGbk(folder.filePath(chosen), LineBreaks::single));
    }

    void saveDialogAsksBeforeReplacingTheFinalName()
    {
        QTemporaryDir folder;
        QFile existing(folder.filePath("old.txt"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QString asked;
            form.setNextFileDialogHook([&](QDialog& dialog) {
                auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
                chooser.setDirectory(folder.path());
                QTimer::singleShot(0, [&] {
                    auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    QVERIFY(question);
                    asked = question->text();
                    question->button(answer)->click();
                });
                chooser.typeAndAccept("old"); // becomes old.txt, which exists
                if (answer == QMessageBox::No) {
                    QVERIFY(chooser.isVisible()); // still choosing
                    chooser.reject();
                }
            });
            QCOMPARE(form.showFileDialog(Window::FilterWindow, Control::通用对话框1), answer == QMessageBox::Yes);
            QVERIFY2(asked.contains("old.txt"), qPrintable(asked));
        }
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::通用对话框1, TextProperty::fileName),
                 displayToGbk(folder.filePath("old.txt"), LineBreaks::single));
    }

    void saveDialogProposesTheLastChosenPath()
    {
        QTemporaryDir folder;
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        form.setNextFileDialogHook([&](QDialog& dialog) {
            auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
            chooser.setDirectory(folder.path());
            chooser.typeAndAccept("first");
        });
        QVERIFY(form.showFileDialog(Window::FilterWindow, Control::通用对话框1));
        QString proposed;
        form.setNextFileDialogHook([&](QDialog& dialog) {
            auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
            proposed = chooser.selectedFiles().value(0);
            chooser.reject();
        });
        QVERIFY(!form.showFileDialog(Window::FilterWindow, Control::通用对话框1));
        QCOMPARE(proposed, folder.filePath("first.txt"));
        // A cancelled dialog leaves the name as it was.
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::通用对话框1, TextProperty::fileName),
                 displayToGbk(folder.filePath("first.txt"), LineBreaks::single));
    }

    void qtFilterForm()
    {
        QCOMPARE(qtNameFilters("Text|*.txt"), QStringList{"Text (*.txt)"});
        QCOMPARE(qtNameFilters("A|*.a;*.b|B|*.c"), (QStringList{"A (*.a *.b)", "B (*.c)"}));
        QCOMPARE(qtNameFilters(""), QStringList{});
    }
};

QTEST_MAIN(FormModelTest)
#include "form_model_test.moc"
