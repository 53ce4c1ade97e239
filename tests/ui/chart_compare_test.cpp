// The comparison window: five bar charts of the last history query, one per interval, stacked
// with interval 1 at the bottom; red bars for net inflow, blue for the size of net outflow.
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDateEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ChartScene.h"
#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/query/CCompareChartDlg.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

const std::string kStock = "岚谷示例(600999)";

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// Interval 1 (0-300) flows in by inflow, interval 5 (1000+) by inflow - outflow.
DayFlowResult Day(double inflow, double bigIn, double bigOut) {
    DayFlowResult day;
    Put(day.inflow, 2, inflow, inflow / 10);
    Put(day.inflow, 11, bigIn, bigIn / 10);
    Put(day.outflow, 11, bigOut, bigOut / 10);
    return day;
}

struct Session {
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context;

    explicit Session(StoreContext& store) : context{session, services, children, store} { RegisterWindows(children); }
};

QBarSeries* Bars(const CMSChartView* view) { return qobject_cast<QBarSeries*>(view->chart()->series().value(0)); }

}  // namespace

class CompareChartTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        StoreDay(m_database->store, kStock, "20240102", Day(120, 2500, 1000));
        StoreDay(m_database->store, kStock, "20240103", Day(340, 1000, 1800.7));
        m_last = StoreDay(m_database->store, kStock, "20240104", Day(0, 500, 500));
        StoreDay(m_database->store, kStock, "20240105", Day(999, 0, 0));  // after the range
    }

    void buildsOneBarChartPerIntervalFromTheLastQuery() {
        Session s(m_database->store);
        s.session.history.stockCode = kStock;
        s.session.history.startDate = "20240101";
        s.session.history.endDate = "20240104";
        CCompareChartDlg window(s.context);
        window.show();

        QCOMPARE(window.windowTitle(), Utf8("区间流向图对比（柱状）"));
        QCOMPARE(window.font().pointSize(), 8);
        QCOMPARE(window.Button(1)->text(), Utf8("退出"));
        QVERIFY(!window.Grid(1189)->isVisible());
        QCOMPARE(s.session.history.rowCount, 3);
        QCOMPARE(s.session.currentMasterId, m_last);

        // Interval 1 at the bottom, interval 5 at the top.
        for (int k = 1; k < 5; ++k)
            QVERIFY(window.IntervalChart(k)->geometry().top() > window.IntervalChart(k + 1)->geometry().bottom());
        QCOMPARE(window.IntervalChart(1)->objectName(), QStringLiteral("1196"));
        QCOMPARE(window.IntervalChart(5)->objectName(), QStringLiteral("1200"));

        for (int k = 1; k <= 5; ++k) {
            QBarSeries* bars = Bars(window.IntervalChart(k));
            QVERIFY(bars);
            QCOMPARE(bars->barSets().size(), 2);
            QCOMPARE(bars->barSets()[0]->color(), QColor(255, 0, 0));
            QCOMPARE(bars->barSets()[1]->color(), QColor(0, 0, 255));
            QCOMPARE(window.IntervalChart(k)->DrawnCategories(), QStringList({"01-02", "01-03", "01-04"}));
            VERIFY_ONE_VALUE_AXIS_DRAWN(*window.IntervalChart(k));
        }
        QCOMPARE(Bars(window.IntervalChart(1))->barSets()[0]->label(), Utf8("0-300(手)入"));
        QCOMPARE(Bars(window.IntervalChart(1))->barSets()[1]->label(), Utf8("0-300(手)出"));

        // Interval 5: +1500 red, -801 as a blue 801, 0 as two zero bars.
        const QList<QBarSet*> big = Bars(window.IntervalChart(5))->barSets();
        QCOMPARE(big[0]->at(0), 1500.0);
        QCOMPARE(big[1]->at(0), 0.0);
        QCOMPARE(big[0]->at(1), 0.0);
        QCOMPARE(big[1]->at(1), 801.0);
        QCOMPARE(big[0]->at(2), 0.0);
        QCOMPARE(big[1]->at(2), 0.0);
        // Each axis holds its own bars with room above the largest.
        QCOMPARE(window.IntervalChart(5)->DrawnValueRange(), std::make_pair(0.0, 2000.0));
        QCOMPARE(window.IntervalChart(1)->DrawnValueRange(), std::make_pair(0.0, 400.0));  // bars up to 340
    }

    void noListedDayGivesChartsWithoutRows() {
        Session s(m_database->store);
        s.session.history.stockCode = kStock;
        s.session.history.startDate = "20250101";
        s.session.history.endDate = "20250131";
        CCompareChartDlg window(s.context);
        window.show();
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(window.IntervalChart(k)->Chart().RowCount(), 0);
            QVERIFY(window.IntervalChart(k)->DrawnValueRange().second > 0);  // still a drawable axis
        }
    }

    void historyWindowOpensTheComparison() {
        Session s(m_database->store);
        CHistoryQueryDlg history(s.context);
        history.show();
        CDropList* stocks = history.DropList(1114);
        stocks->setCurrentIndex(stocks->findText(QString::fromStdString(kStock)));
        history.Control<QDateEdit>(1099)->setDate(QDate(2024, 1, 1));
        history.Control<QDateEdit>(1100)->setDate(QDate(2024, 1, 4));
        history.Button(1098)->click();
        int rows = -1;
        s.services.onChild = [&](QDialog& child) {
            auto* compare = qobject_cast<CCompareChartDlg*>(&child);
            if (!compare) return 2;
            compare->Initialize();
            rows = compare->IntervalChart(3)->Chart().RowCount();
            return 1;
        };
        history.Button(1129)->click();
        QCOMPARE(s.services.children, QStringList({"moxtel::CCompareChartDlg"}));
        QCOMPARE(rows, 3);
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
    std::string m_last;
};

QTEST_MAIN(CompareChartTest)
#include "chart_compare_test.moc"
