// The 自选股走势 window: ticked stocks as lines of their cumulative 主力净额 over the range, 流向
// standing in on days stored without order classes.
#include <QDialog>
#include <QListWidget>
#include <QTest>
#include <memory>

#include "core/data/CAdoDatabase.h"
#include "core/stats/OrderClasses.h"
#include "core/stats/SqliteDayStore.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CWatchListDlg.h"

using namespace moxtel;

namespace {

// A stored day whose trades are all inflow of one class; without classes like a day stored before them.
void StoreDay(const StoreContext& database, const std::string& code, const std::string& date, double amount,
              OrderClass orderClass, bool withClasses = true) {
    DayFlowResult day;
    day.inflow[1] = {10, amount};
    day.hasOrderClasses = withClasses;
    day.orderClasses.inflow[static_cast<std::size_t>(orderClass)] = {10, amount};
    SqliteDayStore store(database);
    DayHeaderInfo info;
    QVERIFY(store.StoreDayHeader(code, date, code + date, "", "", info));
    QVERIFY(store.StoreDayBuckets(day, code + date, "10.00", "10.00"));
    QVERIFY(store.Commit());
}

struct WatchWindow : test::WindowEnv {
    CWatchListDlg window{context};
    explicit WatchWindow(StoreContext& store) : WindowEnv(store) {
        window.show();
        window.SetRange(QStringLiteral("20000101"), QStringLiteral("20000131"));
    }
};

}  // namespace

class WatchListTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        StoreDay(m_database->store, "A(600001)", "20000103", 200.0, kSuperOrder);
        StoreDay(m_database->store, "A(600001)", "20000105", 30.0, kLargeOrder);
        StoreDay(m_database->store, "B(600002)", "20000104", 4.0, kMediumOrder);
        StoreDay(m_database->store, "B(600002)", "20000105", 7.5, kSmallOrder, false);
        StoreDay(m_database->store, "C(600003)", "20000104", 1.0, kSuperOrder);
    }
    void cleanup() { m_database.reset(); }

    void linesOfTheTickedStocksOverTheirDates() {
        WatchWindow w(m_database->store);
        QCOMPARE(w.window.StockList()->count(), 3);
        w.window.Tick({QStringLiteral("A(600001)"), QStringLiteral("B(600002)")});
        w.window.OnShow();
        QCOMPARE(w.services.Messages(), QStringList());
        const CMSChart& chart = w.window.ChartView()->Chart();
        QVERIFY(chart.ShowLegend());
        QCOMPARE(chart.ColumnCount(), 2);
        // The dates of either stock; a line carries its sum over a date without a day.
        QCOMPARE(chart.RowCount(), 3);
        QCOMPARE(chart.RowLabelAt(1), std::string("01-03"));
        QCOMPARE(chart.ColumnLabelAt(1), std::string("A(600001)"));
        QCOMPARE(chart.DataAt(2, 1), 200.0);
        QCOMPARE(chart.DataAt(3, 1), 230.0);
        // B: 中单 is no 主力 (0), then 流向 7.5 on the day without classes.
        QCOMPARE(chart.ColumnLabelAt(2), std::string("B(600002)(含1天流向)"));
        QCOMPARE(chart.DataAt(1, 2), 0.0);
        QCOMPARE(chart.DataAt(3, 2), 7.5);

        // Days whose directions were inferred are counted in their stock's legend.
        QVERIFY(CAdoDatabase(m_database->store)
                    .Execute("insert into dayinferred(masterid,method) values('A(600001)20000105','tick-rule'),"
                             "('B(600002)20000105','tick-rule')"));
        w.window.OnShow();
        const CMSChart& again = w.window.ChartView()->Chart();
        QCOMPARE(again.ColumnLabelAt(1), std::string("A(600001)(1天推断方向)"));
        QCOMPARE(again.ColumnLabelAt(2), std::string("B(600002)(含1天流向，1天推断方向)"));
        QCOMPARE(again.DataAt(3, 1), 230.0);
    }

    void nothingTickedSaysSo() {
        WatchWindow w(m_database->store);
        w.window.OnShow();
        QCOMPARE(w.services.Messages(), QStringList{QString::fromUtf8("请勾选需要查看的股票!")});
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
};

QTEST_MAIN(WatchListTest)
#include "watch_list_test.moc"
