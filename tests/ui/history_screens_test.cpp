// The query windows as the user sees them, over the sample day and nine more stored days of its
// stock: every window complete and readable, and with MOXTEL_SCREENSHOT_DIR set, saved as PNGs.
#include <QCheckBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include "core/query/SessionState.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/LayoutCheck.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/maintenance/CClearDataDlg.h"
#include "ui/query/CCompareChartDlg.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CIntervalDetailDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CRankDlg.h"
#include "ui/query/CUncertainDetailDlg.h"
#include "ui/query/CWatchListDlg.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

QString SampleWorkbook() {
    const QString sample = QStringLiteral(MOXTEL_TEST_DATA_DIR "/../../samples/sample-day.xls");
    return QFileInfo(QFile::exists(sample) ? sample : QStringLiteral(MOXTEL_TEST_DATA_DIR "/worked-day.xls"))
        .canonicalFilePath();
}

// A day like the sample day, each bucket scaled a little differently so that the days differ.
DayFlowResult VariantOf(const DayFlowResult& sample, int i) {
    DayFlowResult day = sample;
    for (int k = 1; k <= kBucketCount; ++k) {
        const double in = 0.5 + ((i * 7 + k * 3) % 10) / 10.0;
        const double out = 0.5 + ((i * 3 + k * 7) % 10) / 10.0;
        for (auto [buckets, factor] : {std::pair{&day.inflow, in}, std::pair{&day.outflow, out},
                                       std::pair{&day.uncertainUp, in}, std::pair{&day.uncertainDown, out}}) {
            (*buckets)[k].lots = std::round((*buckets)[k].lots * factor);
            (*buckets)[k].amount *= factor;
        }
    }
    return day;
}

void Show(QWidget& window) {
    window.show();
    QTest::qWait(50);
}

}  // namespace

class HistoryScreensTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        SqliteDayStore store(m_database.store);
        Result<StatisticsOutcome> run = RunStatistics({SampleWorkbook().toStdString(), "10.00", ""}, &store);
        QVERIFY(run.ok());
        const DayFlowResult& sample = run->day;
        m_sampleDay = sample;
        m_stock = sample.stockCode;
        m_sampleId = sample.masterId;
        m_last = QDate::fromString(QString::fromStdString(sample.tradeDate), QStringLiteral("yyyyMMdd"));
        QVERIFY(m_last.isValid());
        QDate date = m_last;
        for (int i = 1; i <= 9; ++i) {
            do date = date.addDays(-1);
            while (date.dayOfWeek() > 5);
            StoreDay(m_database.store, m_stock, date.toString(QStringLiteral("yyyyMMdd")).toStdString(),
                     VariantOf(sample, i));
        }
        m_first = date;
        std::array<IntervalChoice, 5> big{
            {{"0", "300"}, {"300", "500"}, {"500", "800"}, {"800", "1000"}, {"1000", "1000+"}}};
        QVERIFY(SaveTemplate(m_database.store, SaveMode::Insert, "大单", big).ok());
        RegisterWindows(m_children);
    }

    void historyWindowWithALineChartOfTenDays() {
        CHistoryQueryDlg window(m_context);
        Query(window);
        QCOMPARE(m_services.Messages(), QStringList());
        QCOMPARE(window.Grid(1189)->Grid().Rows(), 12);
        Show(window);
        SaveScreenshot(window, QStringLiteral("history-window"));
        QCOMPARE(LayoutProblems(window), QStringList());
        // Every column of the grid in view: no figure hidden behind a sideways scroll bar.
        QVERIFY(!window.Grid(1189)->horizontalScrollBar()->isVisible());
        VERIFY_FITS_SCREEN(window);
        QVERIFY(FitsAScreen(window));

        window.Control<QCheckBox>(1206)->setChecked(false);
        window.Button(1127)->click();
        QTest::qWait(50);
        SaveScreenshot(window, QStringLiteral("history-window-bars"));
    }

    void comparisonWindow() {
        CHistoryQueryDlg history(m_context);
        Query(history);
        CCompareChartDlg window(m_context);
        Show(window);
        SaveScreenshot(window, QStringLiteral("compare-window"));
        QCOMPARE(LayoutProblems(window), QStringList());
        VERIFY_FITS_SCREEN(window);
        QVERIFY(FitsAScreen(window));
    }

    void detailWindowOfTheSampleDay() {
        CHistoryQueryDlg history(m_context);
        Query(history);
        m_session.currentMasterId = m_sampleId;
        CDetailQueryDlg window(m_context);
        Show(window);
        const std::pair<int, const char*> choices[] = {{1123, "0"}, {1124, "300"}, {1191, "300"}, {1193, "1000+"}};
        for (const auto& [list, item] : choices)
            window.DropList(list)->setCurrentIndex(window.DropList(list)->findText(item));
        for (int button : {1098, 1099, 1100}) window.Button(button)->click();
        QTest::qWait(50);
        // Each tab's page in the same room: the intervals, then the sample day's order classes.
        for (const char* picture : {"detail-window", "detail-window-order-classes"}) {
            SaveScreenshot(window, QString::fromLatin1(picture));
            const QStringList problems = LayoutProblems(window);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
            VERIFY_FITS_SCREEN(window);
            QVERIFY(FitsAScreen(window));
            window.PageTabs()->setCurrentIndex(1);
            QTest::qWait(20);
        }
        QCOMPARE(window.OrderClasses().Cell(4, 3).right(1), QStringLiteral("%"));  // stored with classes

        CIntervalDetailDlg interval(m_context);
        Show(interval);
        SaveScreenshot(interval, QStringLiteral("interval-detail"));
        QCOMPARE(LayoutProblems(interval), QStringList());
        VERIFY_FITS_SCREEN(interval);

        CUncertainDetailDlg uncertain(m_context);
        Show(uncertain);
        QVERIFY(uncertain.Grid(1189)->Grid().Rows() > 2);
        SaveScreenshot(uncertain, QStringLiteral("uncertain-detail"));
        QCOMPARE(LayoutProblems(uncertain), QStringList());
        VERIFY_FITS_SCREEN(uncertain);
    }

    // Six more stocks stored with order classes over the same ten dates: the ranking, the watch list
    // and the 主力净额 chart of one of them.
    void rankWatchListAndMainNetCharts() {
        const QString format = QStringLiteral("yyyyMMdd");
        for (int s = 1; s <= 6; ++s) {
            const std::string code = "示例" + std::to_string(s) + "(60100" + std::to_string(s) + ")";
            int i = 0;
            for (QDate date = m_first; date <= m_last; date = date.addDays(1)) {
                if (date.dayOfWeek() > 5) continue;
                DayFlowResult day = VariantOf(m_sampleDay, s * 11 + i++);
                day.hasOrderClasses = true;
                day.orderClasses = m_sampleDay.orderClasses;
                for (std::size_t c = 0; c < kOrderClassCount; ++c) {
                    day.orderClasses.inflow[c].amount *= 0.6 + ((s * 5 + i * 3 + static_cast<int>(c)) % 9) / 10.0;
                    day.orderClasses.outflow[c].amount *= 0.6 + ((s * 3 + i * 7 + static_cast<int>(c)) % 9) / 10.0;
                }
                const std::string tradeDate = date.toString(format).toStdString();
                SqliteDayStore store(m_database.store);
                DayHeaderInfo info;
                QVERIFY(store.StoreDayHeader(code, tradeDate, code + tradeDate, "", "", info));
                QVERIFY(store.StoreDayBuckets(day, code + tradeDate, "10.00", "10.00"));
                QVERIFY(store.Commit());
            }
        }
        CRankDlg rank(m_context);
        Show(rank);
        rank.SetRange(m_first.toString(format), m_last.toString(format));
        rank.OnQuery();
        QCOMPARE(m_services.Messages(), QStringList());
        QCOMPARE(static_cast<int>(rank.Rows().size()), 7);
        QTest::qWait(50);
        SaveScreenshot(rank, QStringLiteral("rank-window"));
        QCOMPARE(LayoutProblems(rank), QStringList());
        VERIFY_FITS_SCREEN(rank);

        CWatchListDlg watch(m_context);
        Show(watch);
        watch.SetRange(m_first.toString(format), m_last.toString(format));
        watch.Tick({QString::fromUtf8("示例1(601001)"), QString::fromUtf8("示例2(601002)"),
                    QString::fromUtf8("示例3(601003)"), QString::fromStdString(m_stock)});
        watch.OnShow();
        QCOMPARE(watch.ChartView()->Chart().ColumnCount(), 4);
        QTest::qWait(50);
        SaveScreenshot(watch, QStringLiteral("watch-list"));
        QCOMPARE(LayoutProblems(watch), QStringList());
        VERIFY_FITS_SCREEN(watch);

        CHistoryQueryDlg history(m_context);
        history.Initialize();
        CDropList* stocks = history.DropList(1114);
        stocks->setCurrentIndex(stocks->findText(QString::fromUtf8("示例1(601001)")));
        history.Control<QDateEdit>(1099)->setDate(m_first);
        history.Control<QDateEdit>(1100)->setDate(m_last);
        history.OnQuery();
        history.OnMainNetChart();
        Show(history);
        SaveScreenshot(history, QStringLiteral("history-main-net"));
    }

    void clearDataWindow() {
        CClearDataDlg window(m_context);
        Show(window);
        window.DropList(1114)->setCurrentIndex(0);
        QTest::qWait(20);
        SaveScreenshot(window, QStringLiteral("clear-data"));
        QCOMPARE(LayoutProblems(window), QStringList());
        VERIFY_FITS_SCREEN(window);
    }

  private:
    void Query(CHistoryQueryDlg& window) {
        window.Initialize();
        CDropList* stocks = window.DropList(1114);
        stocks->setCurrentIndex(stocks->findText(QString::fromStdString(m_stock)));
        window.DropList(1115)->setCurrentIndex(window.DropList(1115)->findText(QString::fromUtf8("大单")));
        window.Control<QDateEdit>(1099)->setDate(m_first);
        window.Control<QDateEdit>(1100)->setDate(m_last);
        window.OnQuery();
    }
    // Leaves room for a task bar on a 1920 by 1080 screen.
    static bool FitsAScreen(const QWidget& window) { return window.width() <= 1900 && window.height() <= 1000; }

    TestDatabase m_database;
    SessionState m_session;
    ChildWindows m_children;
    FakeWindowServices m_services;
    WindowContext m_context{m_session, m_services, m_children, m_database.store};
    std::string m_stock;
    std::string m_sampleId;
    DayFlowResult m_sampleDay;
    QDate m_first;
    QDate m_last;
};

QTEST_MAIN(HistoryScreensTest)
#include "history_screens_test.moc"
