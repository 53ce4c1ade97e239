// The detail query window over one stored day, and the interval and uncertain-direction detail
// windows opened from it and from the main window.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QChart>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <memory>

#include "ChartScene.h"
#include "core/query/SessionState.h"
#include "core/query/UncertainDetail.h"
#include "core/stats/DayFlowTable.h"
#include "ui/FakeWindowServices.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CIntervalDetailDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CUncertainDetailDlg.h"
#include "ui/stats/OrderClassSection.h"
#include "ui/stats/ResultPanelIds.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

const std::string kStock = "岚谷示例(600999)";
const QString kZero = QString::fromUtf8("0(0.0万元)");

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// A stored day: inflow in buckets 1 and 3, outflow in bucket 11, uncertain up/down in bucket 2,
// and three uncertain trades (200 lots at 10.00, exactly 100 lots at 5.00, exactly 1000 lots at 2.00).
std::string StoreWorkedDay(const StoreContext& store) {
    DayFlowResult day;
    Put(day.inflow, 1, 150, 15);
    Put(day.inflow, 3, 250, 26);
    Put(day.outflow, 11, 1200, 120);
    Put(day.uncertainUp, 2, 100, 5);
    Put(day.uncertainDown, 2, 40, 2);
    const std::string id = StoreDay(store, kStock, "20240103", day);
    StoreUncertainTrade(store, id, {"09:31:00", "200", "10.00", "出", "35"});
    StoreUncertainTrade(store, id, {"10:15:00", "100", "5.00", "未知", "12", "出", "8"});
    StoreUncertainTrade(store, id, {"14:59:00", "1000", "2.00"});
    return id;
}

struct Windows {
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context;

    explicit Windows(StoreContext& store) : context{session, services, children, store} { RegisterWindows(children); }
};

}  // namespace

class DetailWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        m_id = StoreWorkedDay(m_database->store);
    }

    void detailWindowShowsTheStoredDayWithItsUncertainTrades() {
        Windows w(m_database->store);
        w.session.currentMasterId = m_id;
        w.session.history.intervalTexts = {"0-100", "100-300", "500-0", "0-0", "1000-1000+"};
        CDetailQueryDlg window(w.context);
        window.show();

        QCOMPARE(window.windowTitle(), Utf8("明细查询"));
        QCOMPARE(window.Edit(1001)->text(), Utf8("岚谷示例(600999)2024-01-03"));
        QCOMPARE(window.Edit(1002)->text(), Utf8("400(41.0万元)"));
        QCOMPARE(window.Edit(1003)->text(), Utf8("1200(120.0万元)"));
        // 200 × 10.00 / 100 + 100 × 5.00 / 100 + 1000 × 2.00 / 100 万元
        QCOMPARE(window.Edit(1004)->text(), Utf8("1300(45.0万元)"));
        QCOMPARE(window.Edit(1005)->text(), Utf8("-800(-79.0万元)"));
        QCOMPARE(window.Edit(1006)->text(), Utf8("-740(-76.0万元)"));
        QCOMPARE(window.Edit(1007)->text(), Utf8("2900(206.0万元)"));

        // The intervals of the last history query, in every group.
        for (const auto& labels : kIntervalLabelIds) {
            QCOMPARE(window.Edit(labels[0])->text(), Utf8("0-100"));
            QCOMPARE(window.Edit(labels[4])->text(), Utf8("1000-1000+"));
        }
        QCOMPARE(window.Edit(1059)->text(), Utf8("150(15.0万元)"));   // inflow of 0-100
        QCOMPARE(window.Edit(1077)->text(), Utf8("300(25.0万元)"));   // uncertain 100-300: the 200 and the 100
        QCOMPARE(window.Edit(1075)->text(), kZero);                   // "500-0" sums nothing
        QCOMPARE(window.Edit(1076)->text(), kZero);                   // "0-0" sums nothing
        QCOMPARE(window.Edit(1078)->text(), Utf8("1000(20.0万元)"));  // 1000 lots fall in 1000+
        QCOMPARE(window.Edit(1097)->text(), Utf8("310(29.0万元)"));   // 250 + 100 - 40

        QCOMPARE(w.session.day.uncertain[2].lots, 100.0);  // reloaded for the windows opened from here
        for (int id : {1098, 1099, 1100, 1135, 1142}) QVERIFY(window.Button(id)->isEnabled());

        // Day chart: five intervals, five series; series 3 is inflow plus uncertain-up.
        QCOMPARE(window.ChartView()->DrawnCategories().first(), Utf8("0-100"));
        QCOMPARE(window.ChartView()->chart()->title(), Utf8("日流量图（单位：手）"));
        QCOMPARE(window.ChartView()->Chart().DataAt(2, 3), 350.0);
        QCOMPARE(window.ChartView()->Chart().DataAt(5, 2), 1200.0);
        // Holds the 1200 lots bar with a little room; a low chart has fewer, larger steps.
        QVERIFY(window.ChartView()->DrawnValueRange().second > 1200 * 1.04);
        QVERIFY(window.ChartView()->DrawnValueRange().second <= 1200 * 2);
        VERIFY_ONE_VALUE_AXIS_DRAWN(*window.ChartView());
    }

    void detailWindowGroupsAreCaptionedForThe146Layout() {
        Windows w(m_database->store);
        CDetailQueryDlg window(w.context);
        QStringList captions;
        for (const QGroupBox* group : window.findChildren<QGroupBox*>()) captions << group->title();
        for (const char* caption : {"流入[手(万元)]", "流出[手(万元)]", "流向[手(万元)]", "流向(加未知流向)[手(万元)]",
                                    "总量[手(万元)]", "未知流向[手(万元)]", "汇总"})
            QVERIFY2(captions.contains(Utf8(caption)), caption);
        QCOMPARE(window.Button(1135)->text(), Utf8("查看区间明细"));
        QCOMPARE(window.Button(1142)->text(), Utf8("查看不确定流向明细"));
        QCOMPARE(window.Button(1)->text(), Utf8("退出"));
    }

    // The 按金额分类 tab: the stored classes and their convention, or dashes and a note for a day
    // stored before classes were kept (the worked day is stored without them).
    void orderClassTabShowsTheStoredClassesOrSaysWhyNot() {
        DayFlowResult day;
        Put(day.inflow, 2, 150, 15.06);
        Put(day.outflow, 11, 1200, 120);
        day.hasOrderClasses = true;
        day.orderConvention = OrderClassConvention::AmountOnly;
        day.orderClasses.inflow[kMediumOrder] = {150, 15.06};
        day.orderClasses.outflow[kSuperOrder] = {1200, 120};
        const std::string withClasses = StoreDay(m_database->store, kStock, "20240104", day);
        CAdoDatabase db(m_database->store);
        QVERIFY(StoreDayFlowRow(db, day, withClasses, kStock, "20240104"));

        const QString dash = Utf8("—");
        const std::tuple<std::string, int, int, QString, const char*> cases[] = {
            {withClasses, 1, 0, Utf8("150(15.1万元)"), "amount-only"},
            {withClasses, 4, 2, Utf8("-1200(-120.0万元)"), "amount-only"},
            {withClasses, 4, 3, Utf8("-88.85%"), "amount-only"},
            {m_id, 1, 0, dash, "重新导入"},
            {m_id, 4, 3, dash, "重新导入"}};
        for (const auto& [id, row, column, text, note] : cases) {
            Windows w(m_database->store);
            w.session.currentMasterId = id;
            CDetailQueryDlg window(w.context);
            window.show();
            window.PageTabs()->setCurrentIndex(1);
            QCOMPARE(window.PageTabs()->tabText(1), Utf8("按金额分类"));
            QCOMPARE(window.Edit(OrderClassSection::EditId(row, column))->text(), text);
            QVERIFY(!window.Edit(OrderClassSection::EditId(row, column))->isHidden());
            QVERIFY2(window.Edit(OrderClassSection::kNoteId)->text().contains(Utf8(note)), note);
        }
    }

    void unknownDayShowsZerosAndNoTitle() {
        Windows w(m_database->store);
        w.session.currentMasterId = "";
        CDetailQueryDlg window(w.context);
        window.show();
        QCOMPARE(window.Edit(1001)->text(), QString());
        for (int id : kTotalIds) QCOMPARE(window.Edit(id)->text(), kZero);
        for (const auto& values : kIntervalValueIds)
            for (int id : values) QCOMPARE(window.Edit(id)->text(), kZero);
        QCOMPARE(window.ChartView()->Chart().RowCount(), 5);
    }

    void dynamicRowsSumTheLoadedDay() {
        Windows w(m_database->store);
        w.session.currentMasterId = m_id;
        CDetailQueryDlg window(w.context);
        window.show();
        window.DropList(1123)->setCurrentIndex(window.DropList(1123)->findText("100"));
        window.Button(1098)->click();
        QCOMPARE(window.Edit(1101)->text(), Utf8("250(26.0万元)"));
        QCOMPARE(window.Edit(1103)->text(), Utf8("1300(45.0万元)"));  // the uncertain trades are 100 and above

        window.DropList(1191)->setCurrentIndex(window.DropList(1191)->findText("500"));
        window.DropList(1192)->setCurrentIndex(window.DropList(1192)->findText("300"));
        window.Button(1099)->click();
        QCOMPARE(w.services.Messages(), QStringList({Utf8("开始数值不能大于结束数值!")}));
        QCOMPARE(window.Edit(1105)->text(), QString());
    }

    void detailButtonsOpenBothDetailWindowsOnTheSameDay() {
        Windows w(m_database->store);
        w.session.currentMasterId = m_id;
        QMap<QString, QString> seen;
        w.services.onChild = [&](QDialog& child) {
            if (auto* interval = qobject_cast<CIntervalDetailDlg*>(&child)) {
                interval->Initialize();
                seen["title"] = interval->Edit(1001)->text();
                seen["uncertain 100-200"] = interval->Edit(1142)->text();
            } else if (auto* uncertain = qobject_cast<CUncertainDetailDlg*>(&child)) {
                uncertain->Initialize();
                seen["trades"] = QString::number(uncertain->Grid(1189)->Grid().Rows() - 2);
            }
            return 1;
        };
        CDetailQueryDlg window(w.context);
        window.show();
        window.Button(1135)->click();
        window.Button(1142)->click();
        QCOMPARE(w.services.children, QStringList({"moxtel::CIntervalDetailDlg", "moxtel::CUncertainDetailDlg"}));
        QCOMPARE(seen["title"], Utf8("岚谷示例(600999)2024-01-03"));
        QCOMPARE(seen["uncertain 100-200"], Utf8("100(5.0万元)"));  // exactly 100 lots: bucket 2
        QCOMPARE(seen["trades"], QStringLiteral("3"));
    }

    void intervalDetailShowsEveryBucketOfTheCurrentDay() {
        Windows w(m_database->store);
        w.session.currentMasterId = "X)20240103";
        Put(w.session.day.inflow, 3, 250, 26);
        Put(w.session.day.outflow, 3, 50, 5);
        Put(w.session.day.uncertain, 3, 10, 1);
        Put(w.session.day.uncertainUp, 3, 7, 1);
        Put(w.session.day.inflow, 1, 50, 5);
        Put(w.session.day.outflow, 1, 80, 8);
        Put(w.session.day.uncertain, 1, 30, 3);
        Put(w.session.day.uncertainUp, 1, 20, 2);
        Put(w.session.day.inflow, 11, 1200, 120);
        CIntervalDetailDlg window(w.context);
        window.show();
        QCOMPARE(window.windowTitle(), Utf8("区间明细"));
        QCOMPARE(window.Edit(1001)->text(), QStringLiteral("X)2024-01-03"));
        // Buckets 1 (0--100), 3 (200--300) and 11 (1000----) in the six groups.
        const std::pair<int, const char*> cells[] = {
            {1021, "50(5.0万元)"},     {1032, "80(8.0万元)"},     {1054, "-30(-3.0万元)"},   {1043, "-10(-1.0万元)"},
            {1135, "160(16.0万元)"},   {1144, "30(3.0万元)"},     {1015, "250(26.0万元)"},   {1028, "50(5.0万元)"},
            {1050, "200(21.0万元)"},   {1039, "207(22.0万元)"},   {1131, "310(32.0万元)"},   {1140, "10(1.0万元)"},
            {1009, "1200(120.0万元)"}, {1122, "1200(120.0万元)"}, {1044, "1200(120.0万元)"}, {1022, "0(0.0万元)"},
        };
        for (const auto& [id, text] : cells) QCOMPARE(window.Edit(id)->text(), Utf8(text));
        for (int id : {1014, 1027, 1049, 1038, 1130, 1139}) QCOMPARE(window.Edit(id)->text(), kZero);  // bucket 6
        QCOMPARE(window.Edit(1123)->text(), kZero);  // 1000+ of 未知流向: no trades
        QCOMPARE(window.Texts().size(), std::size_t{67});
    }

    void uncertainDetailListsTradesNewestFirstWithSignedNeighbours() {
        Windows w(m_database->store);
        w.session.currentMasterId = m_id;
        CUncertainDetailDlg window(w.context);
        window.show();
        QCOMPARE(window.windowTitle(), Utf8("不确定流向明细"));
        const CMSFlexGrid& grid = window.Grid(1189)->Grid();
        QCOMPARE(grid.Rows(), 5);
        QCOMPARE(grid.TextAt(0, 2), std::string("成交量量"));
        QCOMPARE(grid.TextAt(1, 0), std::string("14:59:00"));
        QCOMPARE(grid.TextAt(3, 0), std::string("09:31:00"));
        QCOMPARE(grid.TextAt(3, 3), std::string("-35"));  // an outflow before it: signed, green
        QCOMPARE(grid.CellForeColorAt(3, 3), kColorNeighbourOut);
        QCOMPARE(grid.TextAt(2, 3), std::string("12"));  // uncertain before it: red, unsigned
        QCOMPARE(grid.CellForeColorAt(2, 3), kColorNeighbourOther);
        QCOMPARE(grid.TextAt(2, 5), std::string("-8"));

        w.session.currentMasterId = "";
        CUncertainDetailDlg empty(w.context);
        empty.show();
        QCOMPARE(empty.Grid(1189)->Grid().TextAt(0, 0), std::string("时间"));
        QCOMPARE(empty.Grid(1189)->Grid().TextAt(1, 0), std::string());
    }

    void mainWindowButtonsOpenTheDetailWindows() {
        Windows w(m_database->store);
        CMainStatDlg main(w.context);
        main.show();
        main.EnableActionButtons(true);
        main.Button(1135)->click();
        main.Button(1142)->click();
        QCOMPARE(w.services.children, QStringList({"moxtel::CIntervalDetailDlg", "moxtel::CUncertainDetailDlg"}));
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
    std::string m_id;
};

QTEST_MAIN(DetailWindowTest)
#include "detail_window_test.moc"
