// The history query window: lists, headers, a query over stored days, its messages, the chart
// buttons, the double-click into the detail window, and the main window's menu command.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "ChartScene.h"
#include "core/data/CAdoDatabase.h"
#include "core/query/SessionState.h"
#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/PopupEscape.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

const std::string kStock = "岚谷示例(600999)";
const std::string kOtherStock = "其他(000001)";

// A day whose figures grow with scale: intervals 0-300 and 300-500 flow in, 1000+ flows out.
DayFlowResult Day(double scale) {
    DayFlowResult day;
    Put(day.inflow, 1, 300 * scale, 30 * scale);
    Put(day.inflow, 4, 500 * scale, 60 * scale);
    Put(day.outflow, 1, 100 * scale, 10 * scale);
    Put(day.outflow, 11, 2000 * scale, 250 * scale);
    Put(day.uncertainUp, 2, 50, 5);
    Put(day.uncertainDown, 2, 20, 2);
    return day;
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// One history window with its session, registered children and a fake for what it shows.
struct HistoryWindow {
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context;
    std::unique_ptr<CHistoryQueryDlg> window;

    explicit HistoryWindow(StoreContext& store) : context{session, services, children, store} {
        RegisterWindows(children);
        window = std::make_unique<CHistoryQueryDlg>(context);
        window->show();
    }

    CMSFlexGrid& Grid() const { return window->Grid(1189)->Grid(); }
    QPushButton* Button(int id) const { return window->Button(id); }
    bool ChartButtonsEnabled() const {
        return Button(1128)->isEnabled() && Button(1127)->isEnabled() && Button(1129)->isEnabled();
    }
    bool ChartButtonsDisabled() const {
        return !Button(1128)->isEnabled() && !Button(1127)->isEnabled() && !Button(1129)->isEnabled();
    }
    void Choose(int listId, const std::string& item) const {
        CDropList* list = window->DropList(listId);
        list->setCurrentIndex(list->findText(QString::fromStdString(item)));
    }
    void Query(const std::string& stock, QDate from, QDate to) const {
        Choose(1114, stock);
        window->Control<QDateEdit>(1099)->setDate(from);
        window->Control<QDateEdit>(1100)->setDate(to);
        Button(1098)->click();
    }
    QStringList Column(int col) const {
        QStringList texts;
        for (int r = 0; r < Grid().Rows(); ++r) texts << QString::fromStdString(Grid().TextAt(r, col));
        return texts;
    }
};

QStringList Items(const CDropList* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        m_ids = {StoreDay(m_database->store, kStock, "20240105", Day(3)),
                 StoreDay(m_database->store, kStock, "20240102", Day(1)),
                 StoreDay(m_database->store, kStock, "20240103", Day(2))};
        StoreDay(m_database->store, kStock, "20231229", Day(9));
        StoreDay(m_database->store, kStock, "20240110", Day(9));
        StoreDay(m_database->store, kStock, "20240104", Day(9), false);  // no bucket rows: never listed
        StoreDay(m_database->store, kOtherStock, "20240103", Day(7));
        std::array<IntervalChoice, 5> small{
            {{"0", "100"}, {"100", "200"}, {"200", "300"}, {"300", "400"}, {"400", "1000+"}}};
        QVERIFY(SaveTemplate(m_database->store, SaveMode::Insert, "小单", small).ok());
        QVERIFY(SaveTemplate(m_database->store, SaveMode::Insert, "大单", small).ok());
    }

    void opensWithListsDefaultHeadersAndDisabledChartButtons() {
        HistoryWindow h(m_database->store);
        QCOMPARE(h.window->windowTitle(), Utf8("历史查询"));
        QCOMPARE(h.window->objectName(), QStringLiteral("103"));
        QCOMPARE(Items(h.window->DropList(1114)), QStringList({Utf8("其他(000001)"), Utf8("岚谷示例(600999)")}));
        QCOMPARE(h.window->DropList(1114)->currentIndex(), -1);
        QCOMPARE(Items(h.window->DropList(1115)), QStringList({Utf8("大单"), Utf8("小单")}));
        QCOMPARE(h.Grid().BackColor(), kColorBlack);
        QCOMPARE(h.Column(0).first(), Utf8("日期"));
        QStringList headers;
        for (int k = 1; k <= 8; ++k) headers << QString::fromStdString(h.Grid().TextAt(0, k));
        QCOMPARE(headers,
                 QStringList({Utf8("0-300(手)"), Utf8("300-500(手)"), Utf8("500-800(手)"), Utf8("800-1000(手)"),
                              Utf8("1000-1000+(手)"), Utf8("流向"), Utf8("流向(加未知流向)"), Utf8("总量")}));
        QCOMPARE(h.window->Control<QCheckBox>(1209)->text(), Utf8("1000-1000+(手)"));
        QVERIFY(!h.window->Control<QCheckBox>(1205)->isChecked());
        QVERIFY(h.ChartButtonsDisabled());
        QCOMPARE(h.Grid().ColWidth(9), 0);
    }

    void queryListsTheStocksDaysInTheRange() {
        HistoryWindow h(m_database->store);
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));

        QCOMPARE(h.services.Messages(), QStringList());
        // Header, three days in date order, one empty row.
        QCOMPARE(h.Column(0), QStringList({Utf8("日期"), "2024-01-02", "2024-01-03", "2024-01-05", ""}));
        QCOMPARE(h.Column(9), QStringList({"", QString::fromStdString(m_ids[1]), QString::fromStdString(m_ids[2]),
                                           QString::fromStdString(m_ids[0]), ""}));
        QCOMPARE(h.Grid().TextAt(1, 1), std::string("200(20.0万元)"));
        QCOMPARE(h.Grid().CellForeColorAt(1, 1), kColorRed);
        QCOMPARE(h.Grid().TextAt(1, 5), std::string("-2000(-250.0万元)"));
        QCOMPARE(h.Grid().CellForeColorAt(1, 5), kColorGreen);
        QCOMPARE(h.Grid().TextAt(1, 3), std::string("0(0.0万元)"));
        QCOMPARE(h.Grid().CellForeColorAt(1, 3), kColorGreen);  // zero is not an inflow
        QCOMPARE(h.Grid().TextAt(1, 7), std::string("-1270(-167.0万元)"));
        QCOMPARE(h.Grid().TextAt(1, 8), std::string("2900(350.0万元)"));  // uncertain trades never in it
        QCOMPARE(h.Grid().CellForeColorAt(1, 8), kColorWhite);
        QVERIFY(h.ChartButtonsEnabled());

        // The pickers were read as eight digits and show dashes afterwards.
        QCOMPARE(h.session.history.startDate, std::string("20240102"));
        QCOMPARE(h.session.history.endDate, std::string("20240105"));
        QCOMPARE(h.window->Control<QDateEdit>(1099)->text(), QStringLiteral("2024-01-02"));
        QCOMPARE(h.window->Control<QDateEdit>(1100)->text(), QStringLiteral("2024-01-05"));
        QCOMPARE(h.session.history.rowCount, 3);
        QCOMPARE(h.session.currentMasterId, m_ids[0]);  // the last listed day
        QCOMPARE(h.session.day.outflow[11].lots, 6000.0);
        for (int id = 1205; id <= 1209; ++id) QVERIFY(h.window->Control<QCheckBox>(id)->isChecked());

        // A line chart of three days, one series per interval.
        QChart* chart = h.window->ChartView()->chart();
        QCOMPARE(chart->title(), Utf8("3日流向曲线图（单位:手）"));
        QCOMPARE(chart->series().size(), 5);
        auto* first = qobject_cast<QLineSeries*>(chart->series()[0]);
        QVERIFY(first);
        QCOMPARE(first->name(), Utf8("0-300(手)"));
        QCOMPARE(first->count(), 3);
        QCOMPARE(first->at(2).y(), 600.0);
        QCOMPARE(h.window->ChartView()->DrawnCategories(), QStringList({"01-02", "01-03", "01-05"}));
        // The axis holds the -6000 lots of interval 5, not a tenth of the largest total.
        QCOMPARE(h.window->ChartView()->DrawnValueRange(), std::make_pair(-8000.0, 8000.0));
        VERIFY_ONE_VALUE_AXIS_DRAWN(*h.window->ChartView());

        // A day whose directions were inferred says so after its date, in a date column wide enough;
        // the chart marks its date, and its date axis says what the mark means.
        QVERIFY(CAdoDatabase(m_database->store)
                    .Execute("insert into dayinferred(masterid,method) values(?,'tick-rule')", {m_ids[2]}));
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));
        QCOMPARE(h.Column(0), QStringList({Utf8("日期"), "2024-01-02", Utf8("2024-01-03 推断方向"), "2024-01-05", ""}));
        QCOMPARE(h.Grid().ColWidth(0), 2500);
        QCOMPARE(h.window->ChartView()->DrawnCategories(), QStringList({"01-02", "01-03*", "01-05"}));
        const auto dateAxes = h.window->ChartView()->chart()->axes(Qt::Horizontal);
        QVERIFY(!dateAxes.isEmpty());
        QCOMPARE(dateAxes.front()->titleText(), Utf8("日期(* 推断方向)"));
    }

    void emptyRangeListsNothingAndKeepsChartButtonsDisabled_data() {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("no stored day") << QDate(2024, 2, 1) << QDate(2024, 2, 28);
        QTest::newRow("start after end") << QDate(2024, 1, 5) << QDate(2024, 1, 2);
    }
    void emptyRangeListsNothingAndKeepsChartButtonsDisabled() {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        HistoryWindow h(m_database->store);
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));
        h.Query(kStock, from, to);
        QCOMPARE(h.services.Messages(), QStringList());
        QCOMPARE(h.Grid().Rows(), 1);
        QVERIFY(h.ChartButtonsDisabled());
        // Set up again without a fill: no count in the title, the old days stay drawn.
        QCOMPARE(h.window->ChartView()->chart()->title(), Utf8("日流向曲线图（单位:手）"));
        QCOMPARE(h.window->ChartView()->DrawnCategories().size(), 3);
        QCOMPARE(h.session.history.rowCount, 0);
    }

    void queryWithoutStockSaysSoAndListsNothing() {
        HistoryWindow h(m_database->store);
        h.Query("", QDate(2024, 1, 2), QDate(2024, 1, 5));
        QCOMPARE(h.services.Messages(), QStringList({Utf8("请选择需要统计的股票!")}));
        QCOMPARE(h.services.shown[0].kind, QStringLiteral("message"));
        QCOMPARE(h.Grid().Rows(), 1);
        QVERIFY(h.ChartButtonsDisabled());
        QCOMPARE(h.window->ChartView()->chart()->title(), QString());  // not touched
        QCOMPARE(h.window->Control<QDateEdit>(1099)->text(), QStringLiteral("2024-01-02"));
    }

    void chosenTemplateTakesEffectAtTheNextQuery() {
        HistoryWindow h(m_database->store);
        h.Choose(1115, "小单");
        QCOMPARE(h.Grid().TextAt(0, 1), std::string("0-300(手)"));
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 3));
        QCOMPARE(h.Grid().TextAt(0, 1), std::string("0-100(手)"));
        QCOMPARE(h.Grid().TextAt(0, 5), std::string("400-1000+(手)"));
        QCOMPARE(h.window->Control<QCheckBox>(1205)->text(), Utf8("0-100(手)"));
        QCOMPARE(h.session.history.templateName, std::string("小单"));
        QCOMPARE(h.session.history.intervalTexts[4], std::string("400-1000+"));
        QCOMPARE(h.Grid().TextAt(1, 1), std::string("200(20.0万元)"));  // bucket 1 only
        QCOMPARE(h.Grid().TextAt(1, 4), std::string("500(60.0万元)"));  // bucket 4 only
    }

    void chartButtonsRedrawWithTheCheckedIntervals() {
        HistoryWindow h(m_database->store);
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));
        h.window->Control<QCheckBox>(1205)->setChecked(false);
        QTest::mouseClick(h.Button(1127), Qt::LeftButton);

        QChart* chart = h.window->ChartView()->chart();
        auto* bars = qobject_cast<QBarSeries*>(chart->series().value(0));
        QVERIFY(bars);
        QCOMPARE(h.window->ChartMode(), 1);
        const QList<QBarSet*> sets = bars->barSets();
        QCOMPARE(sets.size(), 5);  // the unchecked interval keeps its series, with zeros
        QCOMPARE(sets[0]->label(), Utf8("0-300(手)"));
        for (int r = 0; r < 3; ++r) QCOMPARE(sets[0]->at(r), 0.0);
        QCOMPARE(sets[4]->at(2), -6000.0);
        QCOMPARE(h.window->ChartView()->DrawnValueRange(), std::make_pair(-8000.0, 8000.0));
        VERIFY_ONE_VALUE_AXIS_DRAWN(*h.window->ChartView());

        QTest::mouseClick(h.Button(1128), Qt::LeftButton);
        auto* line = qobject_cast<QLineSeries*>(chart->series().value(0));
        QVERIFY(line);
        QCOMPARE(line->at(0).y(), 0.0);
        QCOMPARE(qobject_cast<QLineSeries*>(chart->series().value(1))->at(0).y(), 500.0);
    }

    void doubleClickOpensTheDayInTheDetailWindow() {
        HistoryWindow h(m_database->store);
        StoreUncertainTrade(m_database->store, m_ids[2], {"10:00:00", "100", "10.00"});
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));
        QMap<QString, QString> shown;
        std::string masterIdSeen;
        h.services.onChild = [&](QDialog& child) {
            auto* detail = qobject_cast<CDetailQueryDlg*>(&child);
            if (!detail) return 2;
            masterIdSeen = h.session.currentMasterId;
            detail->Initialize();
            for (int id : {1001, 1002, 1004, 1007}) shown[QString::number(id)] = detail->Edit(id)->text();
            return 1;
        };
        h.window->Grid(1189)->DoubleClickRow(2);

        QCOMPARE(h.services.children, QStringList({"moxtel::CDetailQueryDlg"}));
        QCOMPARE(masterIdSeen, m_ids[2]);
        QCOMPARE(shown["1001"], Utf8("岚谷示例(600999)2024-01-03"));
        QCOMPARE(shown["1002"], Utf8("1600(180.0万元)"));
        QCOMPARE(shown["1004"], Utf8("100(10.0万元)"));  // the uncertain trade, unlike the grid's total
        QCOMPARE(shown["1007"], Utf8("5900(710.0万元)"));
        QCOMPARE(h.Grid().TextAt(2, 8), std::string("5800(700.0万元)"));

        // The empty last row has no master id: the detail window shows a day of zeros.
        shown.clear();
        h.window->Grid(1189)->DoubleClickRow(4);
        QCOMPARE(masterIdSeen, std::string());
        QCOMPARE(shown["1001"], QString());
        QCOMPARE(shown["1002"], Utf8("0(0.0万元)"));
    }

    void doubleClickOnTheHeaderRowOpensTheDetailWindowOnNoDay_data() {
        QTest::addColumn<bool>("corner");
        QTest::newRow("column header") << false;
        QTest::newRow("corner cell") << true;
    }
    void doubleClickOnTheHeaderRowOpensTheDetailWindowOnNoDay() {
        QFETCH(bool, corner);
        HistoryWindow h(m_database->store);
        h.Query(kStock, QDate(2024, 1, 2), QDate(2024, 1, 5));
        std::string masterIdSeen = "not opened";
        QString inflowShown;
        h.services.onChild = [&](QDialog& child) {
            auto* detail = qobject_cast<CDetailQueryDlg*>(&child);
            if (!detail) return 2;
            masterIdSeen = h.session.currentMasterId;
            detail->Initialize();
            inflowShown = detail->Edit(1002)->text();
            return 1;
        };
        CMSFlexGridView* view = h.window->Grid(1189);
        QWidget* target = view->horizontalHeader()->viewport();
        QPoint at(view->horizontalHeader()->sectionViewportPosition(2) + 5, target->height() / 2);
        if (corner) {
            target = view->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(target);
            at = target->rect().center();
        }
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);

        QCOMPARE(h.services.children, QStringList({"moxtel::CDetailQueryDlg"}));
        QCOMPARE(masterIdSeen, std::string());
        QCOMPARE(inflowShown, Utf8("0(0.0万元)"));
        QCOMPARE(h.Grid().RowSel(), 0);
    }

    void otherGridsIgnoreTheHeaderRow() {
        CMSFlexGridView view;
        view.Grid().SetRows(3);
        view.Grid().SetCols(3);
        view.resize(400, 200);
        view.show();
        QSignalSpy clicks(&view, &CMSFlexGridView::Click);
        QSignalSpy doubleClicks(&view, &CMSFlexGridView::DblClick);
        QWidget* header = view.horizontalHeader()->viewport();
        QTest::mouseDClick(header, Qt::LeftButton, {}, QPoint(10, header->height() / 2));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(doubleClicks.count(), 0);
        QCOMPARE(view.Grid().RowSel(), 1);
    }

    // Escape in an open calendar or list of the window closes only that popup; the window stays.
    void escapeInAnOpenPopupClosesOnlyThePopup_data() {
        QTest::addColumn<int>("id");
        QTest::newRow("start date") << 1099;
        QTest::newRow("end date") << 1100;
        QTest::newRow("stock list") << 1114;
    }
    void escapeInAnOpenPopupClosesOnlyThePopup() {
        QFETCH(int, id);
        HistoryWindow h(m_database->store);
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QVERIFY(OpenPopup(*h.window, *h.window->Control(id)));
        PressEscape(*h.window);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::qWait(20);
        QVERIFY(h.window->isVisible());
        PressEscape(*h.window);
        QVERIFY(!h.window->isVisible());
    }

    void mainWindowMenuOpensTheHistoryWindow() {
        SessionState session;
        ChildWindows children;
        RegisterWindows(children);
        FakeWindowServices services;
        const WindowContext context{session, services, children, m_database->store};
        CMainStatDlg main(context);
        main.show();
        QString caption;
        services.onChild = [&](QDialog& child) {
            caption = child.windowTitle();
            return 2;
        };
        main.findChild<QAction*>(QStringLiteral("32776"))->trigger();
        QCOMPARE(services.children, QStringList({"moxtel::CHistoryQueryDlg"}));
        QCOMPARE(caption, Utf8("历史查询"));
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
    std::vector<std::string> m_ids;  // 0105, 0102, 0103
};

QTEST_MAIN(HistoryWindowTest)
#include "history_window_test.moc"
