// Filter and export in the program: the real windows, handlers, filter pass
// and export. 过滤 opens FilterWindow, whose pass fills it from the result
// box; 导出文本 saves its lines through the real save dialog into a
// temporary folder, and a target that cannot be written is reported.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "support/gbk.h"
#include "text/gbk_texts.h"
#include "ui/qt/text_save_dialog.h"
#endif

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace kw;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Answers the question the save dialog asks before it replaces a file, once
// it is open.
void answerTheReplaceQuestion(QMessageBox::StandardButton answer, QString* asked)
{
    QTimer::singleShot(0, [answer, asked] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(question);
        *asked = question->text();
        question->button(answer)->click();
    });
}

} // namespace

class ProgramFilterExportTest : public QObject {
    Q_OBJECT

    std::optional<test::QtProgramUnderTest> program;

    QWidget* control(Window window, Control control) const { return program->control(window, control); }
    Text read(Window window, Control control, TextProperty property = TextProperty::text)
    {
        return program->form.readProperty(window, control, property);
    }

    // The user fills the boxes, clicks 过滤, and inside FilterWindow's own
    // loop the check runs; FilterWindow is closed afterwards whatever it
    // found, so that the click returns.
    void withFilterWindow(std::string_view resultBox, const QString& exclude, const QString& include,
                          const std::function<void()>& check)
    {
        program->form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, resultBox);
        test::userTypes(control(Window::MainWindow, Control::编辑框4), exclude);
        test::userTypes(control(Window::MainWindow, Control::编辑框5), include);
        bool checked = false;
        QTimer::singleShot(0, [&] {
            check();
            checked = true;
            if (DesignedWindow* filter = program->form.widget(Window::FilterWindow))
                filter->close();
        });
        QTest::mouseClick(control(Window::MainWindow, Control::按钮3), Qt::LeftButton);
        QVERIFY(checked);
        QVERIFY(!program->form.widget(Window::FilterWindow));
        QVERIFY(program->form.widget(Window::MainWindow)->isEnabled());
    }

    void clickExport() { QTest::mouseClick(control(Window::FilterWindow, Control::按钮1), Qt::LeftButton); }

private slots:
    void init()
    {
        program.emplace(Procedures::real());
        QVERIFY(program->form.loadWindow(Window::MainWindow, false));
    }
    void cleanup() { program.reset(); }

    void filteredLinesAreExportedByteForByte()
    {
        const Text price = test::gbk(u8"手机价格");
        const Text pictures = test::gbk(u8"手机图片");
        // Lines without 图片, then lines with 价格; the empty line has no 图片.
        const Text expected = price + "\r\n" + price + "\r\n" + "\r\n" + "abc\r\n";
        QTemporaryDir folder;
        withFilterWindow(
            price + "\r\n" + pictures + "\r\n\r\nabc\r\n", QStringLiteral("图片"), QStringLiteral("价格"), [&] {
                QVERIFY(!program->form.widget(Window::MainWindow)->isEnabled());
                QTRY_COMPARE_WITH_TIMEOUT(read(Window::FilterWindow, Control::编辑框1), expected, 10000);
                QCOMPARE(read(Window::FilterWindow, Control::标签1, TextProperty::caption), Text("4"));
                QTRY_COMPARE_WITH_TIMEOUT(test::shownCaption(control(Window::FilterWindow, Control::标签1)),
                                          QStringLiteral("4"), 2000);

                // A name typed without extension is saved with ".txt".
                program->form.setNextFileDialogHook([&](QDialog& dialog) {
                    auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
                    chooser.setDirectory(folder.path());
                    chooser.typeAndAccept(QStringLiteral("结果"));
                });
                clickExport();
                const QString target = folder.filePath(QStringLiteral("结果.txt"));
                QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("结果.txt")});
                QCOMPARE(fileBytes(target), bytes(expected));

                // The user edits the lines and exports again under the same name:
                // the dialog proposes it and asks before replacing the file.
                const Text edited = test::gbk(u8"新的一行") + "\r\n";
                program->form.writeProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text, edited);
                QString proposed;
                QString askedFirst;
                QString askedAgain;
                bool keptOnNo = false;
                program->form.setNextFileDialogHook([&](QDialog& dialog) {
                    auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
                    proposed = chooser.selectedFiles().value(0);
                    answerTheReplaceQuestion(QMessageBox::No, &askedFirst);
                    chooser.typeAndAccept(QStringLiteral("结果"));
                    keptOnNo = chooser.isVisible() && fileBytes(target) == bytes(expected);
                    answerTheReplaceQuestion(QMessageBox::Yes, &askedAgain);
                    chooser.typeAndAccept(QStringLiteral("结果.txt"));
                });
                clickExport();
                QCOMPARE(proposed, target);
                QVERIFY(keptOnNo);
                QVERIFY2(askedFirst.contains(QStringLiteral("结果.txt")), qPrintable(askedFirst));
                QVERIFY2(askedAgain.contains(QStringLiteral("结果.txt")), qPrintable(askedAgain));
                // A name that ends in ".txt" gets no second extension.
                QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("结果.txt")});
                QCOMPARE(fileBytes(target), bytes(edited));
            });
    }

    void cancellingTheDialogWritesNothing()
    {
        // The working folder too: a cancelled export must not write a file
        // named ".txt" there.
        QTemporaryDir folder;
        const QString workingFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        auto cancel = [&](QDialog& dialog) {
            auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
            chooser.setDirectory(folder.path());
            chooser.reject();
        };
        withFilterWindow("a\r\nb\r\n", "b", "", [&] {
            QTRY_COMPARE_WITH_TIMEOUT(read(Window::FilterWindow, Control::编辑框1), Text("a\r\n"), 10000);
            program->form.setNextFileDialogHook(cancel);
            clickExport();
            QCOMPARE(filesIn(folder.path()), QStringList());

            // Nor to the path chosen last.
            program->form.setNextFileDialogHook([&](QDialog& dialog) {
                auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
                chooser.setDirectory(folder.path());
                chooser.typeAndAccept(QStringLiteral("first"));
            });
            clickExport();
            program->form.writeProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text, "changed\r\n");
            program->form.setNextFileDialogHook(cancel);
            clickExport();
            QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("first.txt")});
            QCOMPARE(fileBytes(folder.filePath(QStringLiteral("first.txt"))), QByteArray("a\r\n"));
        });
        QVERIFY(QDir::setCurrent(workingFolder));
    }

    void aTargetThatCannotBeWrittenIsReported_data()
    {
        QTest::addColumn<bool>("folderGoes");
        QTest::addColumn<QString>("reason");
        // Both hold for root too, who may write anywhere.
        QTest::newRow("the folder went away after the choice") << true << "No such file or directory";
        QTest::newRow("a full disk") << false << "No space left on device";
    }
    void aTargetThatCannotBeWrittenIsReported()
    {
        QFETCH(bool, folderGoes);
        QFETCH(QString, reason);
        auto folder = std::make_unique<QTemporaryDir>();
        const QString target = folder->filePath(QStringLiteral("结果.txt"));
        // A file that takes no byte: the user confirms replacing it.
        if (!folderGoes)
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), target));
        QString caption;
        QString text;
        bool warning = false;
        bool ownedByFilterWindow = false;
        withFilterWindow("a\r\n", "b", "", [&] {
            QTRY_COMPARE_WITH_TIMEOUT(read(Window::FilterWindow, Control::编辑框1), Text("a\r\n"), 10000);
            program->form.setNextFileDialogHook([&](QDialog& dialog) {
                auto& chooser = dynamic_cast<TextSaveDialog&>(dialog);
                chooser.setDirectory(folder->path());
                QString asked;
                if (!folderGoes)
                    answerTheReplaceQuestion(QMessageBox::Yes, &asked);
                chooser.typeAndAccept(QStringLiteral("结果"));
                if (chooser.isVisible()) // not accepted: end the test instead of hanging
                    chooser.reject();
                if (folderGoes) // between the choice and the writing
                    folder.reset();
            });
            program->form.setNextMessageHook([&](QDialog& dialog) {
                auto& box = dynamic_cast<QMessageBox&>(dialog);
                caption = box.windowTitle();
                text = box.text();
                warning = box.icon() == QMessageBox::Warning;
                ownedByFilterWindow = box.parentWidget() == program->form.widget(Window::FilterWindow);
                box.button(QMessageBox::Ok)->click();
            });
            clickExport();
        });
        QCOMPARE(caption, QStringLiteral("导出失败"));
        QVERIFY2(text.contains(target), qPrintable(text));
        QVERIFY2(text.contains(reason), qPrintable(text));
        QVERIFY(warning);
        QVERIFY(ownedByFilterWindow);
        if (folderGoes)
            QVERIFY(!QFile::exists(target));
    }
};

QTEST_MAIN(ProgramFilterExportTest)
#include "program_filter_export_test.moc"
