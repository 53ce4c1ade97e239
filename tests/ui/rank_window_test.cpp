// The 资金排行 window: every stored stock over a range, sorted by the clicked column, the chart of
// the top and bottom of that column, and the history of a stock on a double-click.
#include <QDialog>
#include <QHeaderView>
#include <QTest>
#include <memory>

#include "core/stats/OrderClasses.h"
#include "core/stats/SqliteDayStore.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/app/ChildWindows.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CRankDlg.h"

using namespace moxtel;

namespace {

// A stored day with one inflow or outflow trade of the given lots and amount in the class.
void StoreClassDay(const StoreContext& database, const std::string& code, const std::string& date, bool in, double lots,
                   double amount, OrderClass orderClass) {
    DayFlowResult day;
    FlowBuckets& buckets = in ? day.inflow : day.outflow;
    buckets[bucketOf(lots)] = {lots, amount};
    day.hasOrderClasses = true;
    auto& side = in ? day.orderClasses.inflow : day.orderClasses.outflow;
    side[static_cast<std::size_t>(orderClass)] = {lots, amount};
    SqliteDayStore store(database);
    DayHeaderInfo info;
    QVERIFY(store.StoreDayHeader(code, date, code + date, "", "", info));
    QVERIFY(store.StoreDayBuckets(day, code + date, "10.00", "10.00"));
    QVERIFY(store.Commit());
}

QStringList Column(const CMSFlexGrid& grid, int column) {
    QStringList texts;
    for (int r = 1; r + 1 < grid.Rows(); ++r) texts << QString::fromStdString(grid.TextAt(r, column));
    return texts;
}

struct RankWindow : test::WindowEnv {
    CRankDlg window{context};
    explicit RankWindow(StoreContext& store) : WindowEnv(store) {
        RegisterWindows(children);
        window.show();
        window.SetRange(QStringLiteral("20000101"), QStringLiteral("20000131"));
    }
    CMSFlexGrid& Grid() { return window.Grid(1404)->Grid(); }
};

}  // namespace

class RankWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        StoreClassDay(m_database->store, "A(600001)", "20000103", true, 2000, 200.0, kSuperOrder);
        StoreClassDay(m_database->store, "B(600002)", "20000103", true, 100, 4.0, kMediumOrder);
        StoreClassDay(m_database->store, "C(600003)", "20000104", false, 500, 20.0, kLargeOrder);
    }
    void cleanup() { m_database.reset(); }

    void sortsByTheClickedColumnAndChartsIt() {
        RankWindow w(m_database->store);
        w.window.OnQuery();
        QCOMPARE(w.services.Messages(), QStringList());
        // 主力净额 first: A +200, B 0, C -20.
        QCOMPARE(Column(w.Grid(), 0), (QStringList{"A(600001)", "B(600002)", "C(600003)"}));
        QCOMPARE(Column(w.Grid(), 5), (QStringList{"200.0", "0.0", "-20.0"}));
        QCOMPARE(w.Grid().CellForeColorAt(3, 5), kColorGreen);
        QCOMPARE(QString::fromStdString(w.Grid().TextAt(0, 11)), QString::fromUtf8("主力净占比(%)"));

        // A click on the 中单净额 header: B +4, then A and C at 0 by code.
        QHeaderView* header = w.window.Grid(1404)->horizontalHeader();
        const int section = 8 - 1;  // the stock column is the fixed one
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
        QCOMPARE(w.window.SortColumn(), 8);
        QCOMPARE(Column(w.Grid(), 0), (QStringList{"B(600002)", "A(600001)", "C(600003)"}));
        const CMSChart& chart = w.window.ChartView()->Chart();
        QCOMPARE(chart.RowCount(), 3);
        QCOMPARE(chart.RowLabelAt(1), std::string("B(600002)"));
        QCOMPARE(chart.DataAt(1, 1), 4.0);
        QCOMPARE(chart.TitleText(), std::string("中单净额(万元)"));
    }

    void emptyRangeSaysSoAndListsNothing() {
        RankWindow w(m_database->store);
        w.window.SetRange(QStringLiteral("20010101"), QStringLiteral("20010131"));
        w.window.OnQuery();
        QCOMPARE(w.services.Messages(), QStringList{QString::fromUtf8(kMsgNoDaysInRange)});
        QCOMPARE(Column(w.Grid(), 0), QStringList());
    }

    void doubleClickOpensTheStocksHistoryOnTheSameRange() {
        RankWindow w(m_database->store);
        w.window.OnQuery();
        HistoryRequest seen;
        w.services.onChild = [&](QDialog&) {
            seen = w.session.historyRequest;
            return 2;
        };
        w.Grid().SetRowSel(2);
        w.window.OnGridDblClick();
        QCOMPARE(w.services.children, QStringList{QStringLiteral("moxtel::CHistoryQueryDlg")});
        QVERIFY(seen.pending);
        QCOMPARE(seen.stockCode, std::string("B(600002)"));
        QCOMPARE(seen.startDate + "-" + seen.endDate, std::string("20000101-20000131"));
        QVERIFY(!w.session.historyRequest.pending);
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
};

QTEST_MAIN(RankWindowTest)
#include "rank_window_test.moc"
