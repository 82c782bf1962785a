// Mining in the program: the real windows, handlers and mining run against
// the offline engine on a free local port. A seed typed into 编辑框1 and a
// click on 按钮1 fill the result box until the run ends by itself; a click
// on 按钮2 during a run pauses it.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "support/engine_fixture.h"
#include "support/gbk.h"
#include "text/gbk_texts.h"
#endif

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <optional>

using namespace kw;

namespace {

QString shown(std::string_view gbkText)
{
    return gbkToDisplay(gbkText, LineBreaks::single);
}

engine::EngineOptions withLatency(std::chrono::milliseconds latency)
{
    engine::EngineOptions options;
    options.latency = latency;
    return options;
}

// The engine, and the program's real procedures with the engine's address
// in place of the compiled one.
struct MiningProgram {
    MiningProgram(std::shared_ptr<const engine::KeywordGraph> graph, engine::EngineOptions options)
        : engine(std::move(graph), options), prefix(engine->searchUrlPrefix())
    {
        Procedures procedures = Procedures::real();
        procedures.searchUrlPrefix = prefix;
        program.emplace(std::move(procedures));
    }

    FormModel& form() { return program->form; }
    Text read(Control control, TextProperty property = TextProperty::text)
    {
        return program->form.readProperty(Window::MainWindow, control, property);
    }
    QWidget* widget(Control control) const { return program->control(Window::MainWindow, control); }

    // What the user does: types the seed and clicks 开始挖掘.
    void startWith(const QString& seed)
    {
        test::userTypes(widget(Control::编辑框1), seed);
        QTest::mouseClick(widget(Control::按钮1), Qt::LeftButton);
    }

    test::RunningEngine engine;
    const std::string prefix;
    std::optional<test::QtProgramUnderTest> program; // ends before the engine does
};

} // namespace

class ProgramMiningTest : public QObject {
    Q_OBJECT

private slots:
    void aTypedSeedRunsUntilTheGraphRunsOut()
    {
        // Every page has its six related searches. The seed's page brings two
        // new ones, the first find's page one more, and every other page only
        // keywords already found, so the run ends at iteration 4 having
        // searched the seed and the first two finds.
        const std::string seed = test::gbk(u8"手机");
        const std::string price = test::gbk(u8"手机价格");
        const std::string pictures = test::gbk(u8"手机图片");
        const std::string priceList = test::gbk(u8"手机价格表");
        // A little latency keeps the run visible between its pages.
        MiningProgram mining(std::make_shared<engine::TableKeywordGraph>(
                                 engine::TableKeywordGraph::Table{
                                     {seed, std::vector{price, pictures, price, pictures, price, pictures}},
                                     {price, std::vector{priceList, pictures, price, priceList, pictures, price}},
                                 },
                                 std::vector{price, pictures, priceList, price, pictures, priceList}),
                             withLatency(std::chrono::milliseconds(150)));
        QVERIFY(mining.program->form.loadWindow(Window::MainWindow, false));
        auto* start = qobject_cast<QPushButton*>(mining.widget(Control::按钮1));
        QCOMPARE(start->text(), shown(gbk::StartButtonCaption));

        mining.startWith(QStringLiteral("手机"));
        // The click returns at once, while the run's first page is on its way.
        QCOMPARE(start->text(), shown(gbk::MiningButtonCaption));
        QTRY_VERIFY_WITH_TIMEOUT(mining.engine->requestCount() >= 1, 10000);
        QVERIFY(!mining.widget(Control::编辑框2)->isEnabled());
        QVERIFY(mining.read(Control::标签1, TextProperty::caption).starts_with(gbk::StatusKeyword));

        QTRY_COMPARE_WITH_TIMEOUT(mining.read(Control::标签1, TextProperty::caption), Text(gbk::StatusFinished), 10000);
        QCOMPARE(mining.read(Control::编辑框2), price + "\r\n" + pictures + "\r\n" + priceList + "\r\n");
        // A worker's changes are what every read sees at once; the widgets
        // show them at the GUI thread's next turn.
        QTRY_COMPARE_WITH_TIMEOUT(mining.program->box(Window::MainWindow, Control::编辑框2)->toPlainText(),
                                  QStringLiteral("手机价格\n手机图片\n手机价格表\n"), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(test::shownCaption(mining.widget(Control::标签1)), QStringLiteral("结束"), 2000);
        QVERIFY(mining.widget(Control::编辑框2)->isEnabled());
        QCOMPARE(start->text(), shown(gbk::MiningButtonCaption));

        std::vector<std::optional<std::string>> searched;
        for (const engine::EngineRequest& request : mining.engine->requests())
            searched.push_back(request.query);
        QCOMPARE(searched, (std::vector<std::optional<std::string>>{seed, price, pictures}));
    }

    void aClickOnStopDuringARunEndsItWithStop()
    {
        // The full graph never runs out: only the pause ends this run.
        MiningProgram mining(std::make_shared<engine::SyntheticKeywordGraph>(),
                             withLatency(std::chrono::milliseconds(30)));
        QVERIFY(mining.program->form.loadWindow(Window::MainWindow, false));
        mining.startWith(QStringLiteral("手机"));
        QTRY_VERIFY_WITH_TIMEOUT(mining.engine->requestCount() >= 3, 10000);

        auto* pause = qobject_cast<QPushButton*>(mining.widget(Control::按钮2));
        QTest::mouseClick(pause, Qt::LeftButton);
        const std::size_t requestsAtTheClick = mining.engine->requestCount();
        QCOMPARE(pause->text(), shown(gbk::PausedCaption));

        QTRY_COMPARE_WITH_TIMEOUT(mining.read(Control::标签1, TextProperty::caption), Text(gbk::StatusPaused), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!mining.program->workers.miningActive(), 10000);
        // The iteration under way when the caption changed was completed, and
        // no other began.
        QVERIFY(mining.engine->requestCount() <= requestsAtTheClick + 1);
        QVERIFY(!mining.widget(Control::编辑框2)->isEnabled());
        const TextList lines = splitText(mining.read(Control::编辑框2), "\r\n");
        QVERIFY(listCount(lines) >= 6);
        QCOMPARE(listCount(lines), listCount(globals().KeywordList) - 1);
    }
};

QTEST_MAIN(ProgramMiningTest)
#include "program_mining_test.moc"
