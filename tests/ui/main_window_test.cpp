// The main window: controls and menu, statistics runs on the worked day, template rows, dynamic
// rows, the windows it opens, and the backup on every way of closing.
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <memory>
#include <tuple>

#include "core/data/CAdoDatabase.h"
#include "core/data/CDataFolder.h"
#include "core/query/SessionState.h"
#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/PopupEscape.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/app/CDropList.h"
#include "ui/app/CHelpWindow.h"
#include "ui/app/CMainStatDlg.h"

using namespace moxtel;

namespace {

const QString kWorkedDay = QStringLiteral(MOXTEL_TEST_DATA_DIR "/worked-day.xls");
const QString kRunning = QString::fromUtf8(kMsgRunning);
constexpr int kActionButtons[] = {1098, 1099, 1100, 1135, 1142};

// One main window with its session, its children and a fake for everything it shows.
struct MainWindow : test::MainWindowEnv {
    explicit MainWindow(StoreContext& store) : MainWindowEnv(store) { window.show(); }

    QString Text(int id) const { return window.Edit(id)->text(); }
    bool ActionButtonsEnabled(bool enabled) const {
        for (int id : kActionButtons)
            if (window.Button(id)->isEnabled() != enabled) return false;
        return true;
    }
    void Run(const QString& path, const QString& previousClose = QStringLiteral("10.00")) {
        window.Edit(1185)->setText(path);
        window.Edit(1159)->setText(previousClose);
        window.Button(1186)->click();
    }
    void Choose(int listId, const QString& item) {
        CDropList* list = window.DropList(listId);
        list->setCurrentIndex(list->findText(item));
    }
    void ChooseTemplate(const QString& name) {
        Choose(1114, name);
        emit window.DropList(1114)->activated(window.DropList(1114)->currentIndex());
    }
};

QStringList Items(const CDropList* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

void SaveTestTemplate(const StoreContext& store, const char* name, std::array<IntervalChoice, 5> intervals) {
    QVERIFY(SaveTemplate(store, SaveMode::Insert, name, intervals).ok());
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        SaveTestTemplate(m_database->store, "b 分段",
                         {{{"0", "100"}, {"100", "200"}, {"1000", "1000+"}, {"300", "300"}, {"", ""}}});
        SaveTestTemplate(m_database->store, "a 'quoted'",
                         {{{"0", "1000+"}, {"0", "300"}, {"300", "500"}, {"500", "800"}, {"800", "1000"}}});
    }
    void cleanup() { m_database.reset(); }

    void startsWithoutResult() {
        MainWindow m(m_database->store);
        QCOMPARE(m.window.windowTitle(), QString::fromUtf8("岚谷股票资金流向分析"));
        QVERIFY(m.ActionButtonsEnabled(false));
        QVERIFY(!m.window.HasResult());
        QCOMPARE(Items(m.window.DropList(1114)), (QStringList{"a 'quoted'", QString::fromUtf8("b 分段")}));
        QCOMPARE(m.window.DropList(1114)->currentIndex(), -1);
        QCOMPARE(Items(m.window.DropList(1123)),
                 (QStringList{"0", "100", "1000", "1000+", "200", "300", "400", "500", "600", "700", "800", "900"}));
        QCOMPARE(Items(m.window.DropList(1194)),
                 (QStringList{"100", "1000", "200", "300", "400", "500", "600", "700", "800", "900"}));
        const QStringList defaults{"0-300", "300-500", "500-800", "800-1000", "1000---"};
        const int labelRows[6][5] = {{1064, 1062, 1060, 1061, 1063}, {1074, 1072, 1070, 1071, 1073},
                                     {1094, 1092, 1090, 1091, 1093}, {1121, 1119, 1117, 1118, 1120},
                                     {1134, 1132, 1130, 1131, 1133}, {1084, 1082, 1080, 1081, 1083}};
        for (const auto& group : labelRows)
            for (int n = 0; n < 5; ++n) QCOMPARE(m.Text(group[n]), defaults[n]);
        QCOMPARE(m.Text(1059), QString());
    }

    void controlsAndMenuCarryTheirIds() {
        MainWindow m(m_database->store);
        const QList<QAction*> commands = m.window.findChild<QMenuBar*>()->actions();
        QStringList menu;
        for (const QAction* action : commands) menu << action->objectName() + QLatin1Char(' ') + action->text();
        QCOMPARE(menu, (QStringList{QString::fromUtf8("32776 历史查询"), QString::fromUtf8("32777 资金排行"),
                                    QString::fromUtf8("32778 自选股走势"), QString::fromUtf8("32771 设置"),
                                    QString::fromUtf8("32772 清除历史数据"), QString::fromUtf8("32774 产品信息"),
                                    QString::fromUtf8("32775 帮助")}));
        for (const QAction* action : commands) QVERIFY(!action->menu());
        const std::pair<int, const char*> buttons[] = {
            {1184, "浏览"}, {1186, " 统计"}, {1143, "退出"}, {1135, "查看区间明细"}, {1142, "查看不确定流向明细"},
            {1098, "统计"}, {1099, "统计"},  {1100, "统计"}};
        for (const auto& [id, caption] : buttons) QCOMPARE(m.window.Button(id)->text(), QString::fromUtf8(caption));
        QVERIFY(m.window.Button(1186)->isDefault());
        for (int id : {1001, 1185, 1159, 1126, 1002, 1003, 1004, 1005, 1006, 1007, 1101, 1141, 1111})
            QVERIFY(m.window.Edit(id));
        QVERIFY(m.window.Edit(1001)->isReadOnly());
        QVERIFY(!m.window.Edit(1063)->hasFrame());
        QStringList groups;
        for (const QGroupBox* group : m.window.findChildren<QGroupBox*>()) groups << group->title();
        QVERIFY(groups.contains(QString::fromUtf8("动态统计（如果第二列不选择数值，将统计大于第一列的总量）")));
        QVERIFY(groups.contains(QString::fromUtf8("自定义未知流向[ 手（万元）]")));
    }

    void runFillsThePanel() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        QCOMPARE(m.services.Messages(), QStringList());
        QCOMPARE(m.Text(1001), QStringLiteral("20000101 ABC (600000)"));
        const std::pair<int, const char*> totals[] = {{1002, "150(15.1万元)"},   {1003, "1200(120.0万元)"},
                                                      {1004, "350(35.1万元)"},   {1005, "-1050(-104.9万元)"},
                                                      {1006, "-750(-74.9万元)"}, {1007, "1700(170.1万元)"}};
        for (const auto& [id, text] : totals) QCOMPARE(m.Text(id), QString::fromUtf8(text));
        // Default intervals: 0-300 holds the inflow and the first uncertain trade, 1000--- the outflow.
        const std::pair<int, const char*> rows[] = {
            {1059, "150(15.1万元)"},     {1069, "0(0.0万元)"},       {1079, "50(5.0万元)"}, {1129, "200(20.1万元)"},
            {1097, "300(30.1万元)"},     {1127, "300(30.1万元)"},    {1055, "0(0.0万元)"},  {1068, "1200(120.0万元)"},
            {1088, "-1200(-120.0万元)"}, {1113, "-1200(-120.0万元)"}};
        for (const auto& [id, text] : rows) QCOMPARE(m.Text(id), QString::fromUtf8(text));
        QVERIFY(m.ActionButtonsEnabled(true));
        QVERIFY(m.window.HasResult());
        QCOMPARE(m.session.currentMasterId, std::string("ABC(600000)20000101"));

        CAdoDatabase db(m_database->store);
        db.OpenRecordset("select count(*) from transun where masterid=?", {"ABC(600000)20000101"});
        QCOMPARE(db.GetFieldText(0), std::string("2"));
    }

    void orderClassSectionFollowsTheRun() {
        MainWindow m(m_database->store);
        const QString dash = QString::fromUtf8("—");
        const OrderClassSection& section = m.window.OrderClasses();
        QCOMPARE(section.Cell(4, 2), dash);
        m.Run(kWorkedDay);
        // 150 lots at 10.04 in are 中单 (15.06万元), 1200 at 10.00 out 超大单 (120万元); shares of
        // the day's 170.12万元.
        const std::tuple<int, int, const char*> cells[] = {
            {0, 2, "0(0.0万元)"},           {0, 3, "0.00%"},           {1, 0, "150(15.1万元)"},
            {1, 3, "8.85%"},                {3, 1, "1200(120.0万元)"}, {3, 2, "-1200(-120.0万元)"},
            {4, 0, "0(0.0万元)"},           {4, 2, "-1200(-120.0万元)"}, {4, 3, "-70.54%"}};
        for (const auto& [row, column, text] : cells) {
            QCOMPARE(section.Cell(row, column), QString::fromUtf8(text));
            QCOMPARE(m.Text(OrderClassSection::EditId(row, column)), QString::fromUtf8(text));
        }
        QVERIFY(section.Note().contains(QStringLiteral("shares-or-amount")));
        QCOMPARE(m.Text(OrderClassSection::kNoteId), section.Note());

        // The section shares its area with the interval groups: one tab shows, the other hides.
        auto* tabs = m.window.Control<QTabBar>(1530);
        QCOMPARE(tabs->tabText(CMainStatDlg::kClassPage), QString::fromUtf8("按金额分类"));
        const std::tuple<int, bool> pages[] = {{CMainStatDlg::kClassPage, true}, {CMainStatDlg::kIntervalPage, false}};
        for (const auto& [page, classes] : pages) {
            tabs->setCurrentIndex(page);
            for (int id :
                 {OrderClassSection::EditId(0, 0), OrderClassSection::EditId(4, 3), OrderClassSection::kNoteId})
                QCOMPARE(m.window.Edit(id)->isHidden(), !classes);
            for (int id : {1059, 1113, DynamicStatsRows::kButtons[0]})
                QCOMPARE(m.window.Control(id)->isHidden(), classes);
        }

        // A day without order classes (stored before they were kept) shows dashes and says why.
        m.session.day.hasOrderClasses = false;
        m.window.ShowDayTotals();
        QCOMPARE(section.Cell(4, 3), dash);
        QVERIFY(section.Note().contains(QString::fromUtf8("重新导入")));
    }

    void enterStartsTheRun() {
        MainWindow m(m_database->store);
        m.window.Edit(1185)->setText(kWorkedDay);
        QTest::keyClick(m.window.Edit(1126), Qt::Key_Return);
        QCOMPARE(m.Text(1001), QStringLiteral("20000101 ABC (600000)"));
        QVERIFY(m.window.isVisible());
    }

    void failedRunKeepsTheWindowUsable() {
        MainWindow m(m_database->store);
        m.Run(QString());
        QCOMPARE(m.services.Messages(), QStringList{QString::fromUtf8("请选择需要统计的文件（Excel文件）!")});
        QCOMPARE(m.services.shown.front().kind, QStringLiteral("message"));
        QCOMPARE(m.Text(1001), kRunning);
        QVERIFY(m.ActionButtonsEnabled(false));
        QVERIFY(!m.window.HasResult());

        m.Run(kWorkedDay);
        QVERIFY(m.ActionButtonsEnabled(true));
        m.Run(QStringLiteral(MOXTEL_TEST_DATA_DIR "/no-such-workbook.xls"));
        QCOMPARE(m.services.Messages().last(), QString::fromUtf8("文件打开错误，请检查文件是否正确选择!"));
        QCOMPARE(m.Text(1001), kRunning);
        QVERIFY(m.ActionButtonsEnabled(false));
        QVERIFY(m.window.HasResult());  // kept from the earlier run
        QVERIFY(m.window.isVisible());
        QVERIFY(!QApplication::overrideCursor());  // the busy cursor is gone after a failed run too
        // The failed run emptied the day; a template chosen now shows zeros, the totals stay.
        m.ChooseTemplate(QString::fromUtf8("b 分段"));
        QCOMPARE(m.Text(1057), QString::fromUtf8("0(0.0万元)"));
        QCOMPARE(m.Text(1002), QString::fromUtf8("150(15.1万元)"));
    }

    void busyCursorEndsWithTheRun() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        QVERIFY(!QApplication::overrideCursor());
        m.Run(QString());
        QVERIFY(!QApplication::overrideCursor());
    }

    void removedTemplateKeepsItsLabelsAndStillComputes() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        m.ChooseTemplate(QString::fromUtf8("b 分段"));
        QCOMPARE(m.Text(1057), QString::fromUtf8("150(15.1万元)"));
        QVERIFY(DeleteTemplate(m_database->store, "a 'quoted'").ok());  // the list still offers it
        m.session.day.ClearBuckets();                // a later day to compute on
        m.ChooseTemplate(QStringLiteral("a 'quoted'"));
        QCOMPARE(m.Text(1064), QStringLiteral("0-100"));
        QCOMPARE(m.Text(1131), QStringLiteral("300-300"));
        QCOMPARE(m.Text(1057), QString::fromUtf8("0(0.0万元)"));  // recomputed for the kept labels
    }

    // Templates added or deleted in 设置 are offered as soon as its window closes; the chosen
    // template stays chosen while it exists.
    void templateListFollowsTheTemplateWindow() {
        MainWindow m(m_database->store);
        RegisterWindows(m.children);
        m.ChooseTemplate(QString::fromUtf8("b 分段"));
        m.services.onChild = [this](QDialog&) {
            SaveTestTemplate(m_database->store, "c 新",
                             {{{"0", "100"}, {"100", "200"}, {"200", "300"}, {"300", "400"}, {"400", "1000+"}}});
            return 2;
        };
        m.window.Control<QAction>(32771)->trigger();
        QCOMPARE(Items(m.window.DropList(1114)), (QStringList{"a 'quoted'", QString::fromUtf8("b 分段"), QString::fromUtf8("c 新")}));
        QCOMPARE(m.window.DropList(1114)->currentText(), QString::fromUtf8("b 分段"));

        m.services.onChild = [this](QDialog&) {
            [this] { QVERIFY(DeleteTemplate(m_database->store, "b 分段").ok()); }();
            return 2;
        };
        m.window.Control<QAction>(32771)->trigger();
        QCOMPARE(Items(m.window.DropList(1114)), (QStringList{"a 'quoted'", QString::fromUtf8("c 新")}));
        QCOMPARE(m.window.DropList(1114)->currentIndex(), -1);
        QCOMPARE(m.Text(1064), QStringLiteral("0-100"));  // the shown intervals stay
    }

    void intervalSumsFollowTheShownInflowLabels() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        QCOMPARE(m.Text(1069), QString::fromUtf8("0(0.0万元)"));
        // Only the inflow group's label is parsed, and it is read from the screen.
        m.window.Edit(1064)->setText(QStringLiteral("0-1000+"));
        m.window.Edit(1074)->setText(QStringLiteral("0-0"));
        m.window.ComputeTemplateSums();
        QCOMPARE(m.Text(1069), QString::fromUtf8("1200(120.0万元)"));
        QCOMPARE(m.Text(1129), QString::fromUtf8("1700(170.1万元)"));
        QCOMPARE(m.Text(1064), QStringLiteral("0-1000+"));
    }

    void templateRecomputesAfterARun() {
        MainWindow m(m_database->store);
        m.ChooseTemplate(QString::fromUtf8("b 分段"));  // before a run: labels only
        QCOMPARE(m.Text(1064), QStringLiteral("0-100"));
        QCOMPARE(m.Text(1083), QStringLiteral("0-0"));
        QCOMPARE(m.Text(1059), QString());

        m.Run(kWorkedDay);
        QCOMPARE(m.Text(1059), QString::fromUtf8("0(0.0万元)"));  // 0-100: only the uncertain trade
        QCOMPARE(m.Text(1079), QString::fromUtf8("50(5.0万元)"));
        QCOMPARE(m.Text(1057), QString::fromUtf8("150(15.1万元)"));  // 100-200
        for (int id : {1058, 1068, 1088, 1113, 1128, 1078}) QCOMPARE(m.Text(id), QString::fromUtf8("0(0.0万元)"));

        // Moving through the list is not a choice; accepting one recomputes at once.
        m.Choose(1114, QStringLiteral("a 'quoted'"));
        QCOMPARE(m.Text(1064), QStringLiteral("0-100"));
        m.ChooseTemplate(QStringLiteral("a 'quoted'"));
        QCOMPARE(m.Text(1064), QStringLiteral("0-1000+"));
        QCOMPARE(m.Text(1129), QString::fromUtf8("1700(170.1万元)"));
        QCOMPARE(m.Text(1097), QString::fromUtf8("150(15.1万元)"));  // 0-300 with its uncertain trade
    }

    void choosingATemplateKeepsTypedInputs() {
        MainWindow m(m_database->store);
        m.window.Edit(1185)->setText(QStringLiteral("/typed/path.xls"));
        m.ChooseTemplate(QString::fromUtf8("b 分段"));
        QCOMPARE(m.Text(1185), QStringLiteral("/typed/path.xls"));
    }

    void dynamicRows() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        m.Choose(1123, QStringLiteral("500"));
        m.Choose(1124, QStringLiteral("300"));
        m.window.Button(1098)->click();
        QCOMPARE(m.services.Messages(), QStringList{QString::fromUtf8("开始数值不能大于结束数值!")});
        QCOMPARE(m.Text(1101), QString());

        m.Choose(1123, QStringLiteral("0"));
        m.window.Button(1098)->click();
        QCOMPARE(m.Text(1101), QString::fromUtf8("150(15.1万元)"));
        QCOMPARE(m.Text(1103), QString::fromUtf8("50(5.0万元)"));
        QCOMPARE(m.Text(1139), QString::fromUtf8("200(20.1万元)"));

        m.Choose(1191, QStringLiteral("300"));  // no to-item: everything from 300 lots up
        m.window.Button(1099)->click();
        QCOMPARE(m.Text(1106), QString::fromUtf8("1200(120.0万元)"));
        QCOMPARE(m.Text(1107), QString::fromUtf8("300(30.1万元)"));
        QCOMPARE(m.Text(1108), QString::fromUtf8("-1200(-120.0万元)"));
        QCOMPARE(m.Text(1137), QString::fromUtf8("-900(-89.9万元)"));
        QCOMPARE(m.Text(1140), QString::fromUtf8("1500(150.1万元)"));

        m.Choose(1193, QStringLiteral("1000+"));  // bucket 11 only
        m.window.Button(1100)->click();
        QCOMPARE(m.Text(1110), QString::fromUtf8("1200(120.0万元)"));
        QCOMPARE(m.Text(1109), QString::fromUtf8("0(0.0万元)"));
        m.Choose(1193, QStringLiteral("1000"));
        m.Choose(1194, QStringLiteral("1000"));  // a valid empty range
        m.window.Button(1100)->click();
        for (int id : {1109, 1110, 1111, 1112, 1138, 1141}) QCOMPARE(m.Text(id), QString::fromUtf8("0(0.0万元)"));
        m.window.DropList(1193)->setCurrentIndex(-1);
        m.Choose(1194, QStringLiteral("200"));  // no from-item: buckets 1 and 2
        m.window.Button(1100)->click();
        QCOMPARE(m.Text(1109), QString::fromUtf8("150(15.1万元)"));
        QCOMPARE(m.Text(1111), QString::fromUtf8("50(5.0万元)"));
        QCOMPARE(m.services.shown.size(), std::size_t{1});
    }

    void browsePicksOneFile() {
        MainWindow m(m_database->store);
        m.window.Edit(1159)->setText(QStringLiteral("9.99"));
        m.services.files << QStringLiteral("/data/day 1.xlsx");
        m.window.Button(1184)->click();
        QCOMPARE(m.Text(1185), QStringLiteral("/data/day 1.xlsx"));
        QCOMPARE(m.Text(1159), QStringLiteral("9.99"));
        QVERIFY(m.services.fileFilters.front().contains(QStringLiteral("*.xlsx")));
        QVERIFY(m.services.fileFilters.front().contains(QString::fromUtf8("所有文件")));  // the dialog speaks Chinese
        QVERIFY(!m.services.fileFilters.front().contains(QStringLiteral("All Files")));
        m.window.Button(1184)->click();  // cancelled
        QCOMPARE(m.Text(1185), QStringLiteral("/data/day 1.xlsx"));
    }

    void droppedWorkbookBecomesThePath() {
        MainWindow m(m_database->store);
        m.window.Edit(1126)->setText(QStringLiteral("1.5"));
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile(QStringLiteral("/data/a.xls")), QUrl::fromLocalFile(QStringLiteral("/data/b.xls"))});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m.window, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData one;
        one.setUrls({QUrl::fromLocalFile(QStringLiteral("/data/天 1.xls"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m.window, &enter);  // the drop goes to the widget that accepted the drag
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m.window, &drop);
        QCOMPARE(m.Text(1185), QStringLiteral("/data/天 1.xls"));
        QCOMPARE(m.Text(1126), QStringLiteral("1.5"));
    }

    void commandsOpenTheirWindows() {
        MainWindow m(m_database->store);
        QStringList opened;
        RegisterWindows(m.children);  // the real catalog; stand-ins replace the windows not tested here
        for (const char* name :
             {kHistoryQueryDlg, kRankDlg, kWatchListDlg, kClearDataDlg, kIntervalDetailDlg, kUncertainDetailDlg}) {
            m.children.Register(name, [name](const WindowContext&) {
                auto dialog = std::make_unique<QDialog>();
                dialog->setObjectName(QString::fromLatin1(name));
                return dialog;
            });
        }
        m.services.onChild = [&opened](QDialog& child) {
            opened << (child.objectName().startsWith(QLatin1Char('C'))
                           ? child.objectName()
                           : QString::fromLatin1(child.metaObject()->className()));
            return 2;
        };
        for (int id : {32776, 32777, 32778, 32771, 32772, 32774}) m.window.Control<QAction>(id)->trigger();
        m.window.Button(1135)->click();  // disabled before a run
        m.Run(kWorkedDay);
        m.window.Button(1135)->click();
        m.window.Button(1142)->click();
        QCOMPARE(opened,
                 (QStringList{"CHistoryQueryDlg", "CRankDlg", "CWatchListDlg", "moxtel::CTemplateDlg", "CClearDataDlg",
                              "moxtel::CAboutDlg", "CIntervalDetailDlg", "CUncertainDetailDlg"}));
        // Help opens the manual in the program's help window, once however often it is asked for.
        m.window.Control<QAction>(32775)->trigger();
        m.window.Control<QAction>(32775)->trigger();
        const auto helpWindows = m.window.findChildren<CHelpWindow*>();
        QCOMPARE(helpWindows.size(), 1);
        QVERIFY(helpWindows.front()->isVisible());
        QVERIFY(helpWindows.front()->Browser()->source().toLocalFile().endsWith(QStringLiteral("/index.html")));
        QCOMPARE(m.services.documents, QStringList());
        QCOMPARE(m.window.Control<QAction>(32775)->shortcut(), QKeySequence(QKeySequence::HelpContents));
    }

    // Escape that closes an open drop-down list closes only that, also when it reaches the window
    // first as it does from a display server; the next Escape in the window still ends it.
    void escapeInAnOpenListClosesOnlyTheList() {
        MainWindow m(m_database->store);
        QVERIFY(QTest::qWaitForWindowExposed(&m.window));
        QVERIFY(test::OpenPopup(m.window, *m.window.DropList(1114)));
        test::PressEscape(m.window);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::qWait(20);
        QVERIFY(m.window.isVisible());
        test::PressEscape(m.window);
        QVERIFY(!m.window.isVisible());
    }

    void everyCloseMakesTheBackupOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("exit button") << "exit" << 1;
        QTest::newRow("close button") << "close" << 2;
        QTest::newRow("escape") << "escape" << 2;
    }
    void everyCloseMakesTheBackupOnce() {
        QFETCH(QString, how);
        QFETCH(int, result);
        const auto closeWindow = [&how](MainWindow& m) {
            if (how == QLatin1String("exit")) m.window.Button(1143)->click();
            if (how == QLatin1String("close")) m.window.close();
            if (how == QLatin1String("escape")) QTest::keyClick(m.window.Edit(1185), Qt::Key_Escape);
        };
        {
            MainWindow m(m_database->store);
            closeWindow(m);
            QCOMPARE(m.window.result(), result);
            QVERIFY(!m.window.isVisible());
            QCOMPARE(m.services.Messages(), QStringList());
            QVERIFY(QFile::exists(m_database->BackupFile()));
        }
        // A file in the way of the backup folder makes every copy fail: one message per close.
        QVERIFY(QFile::remove(m_database->BackupFile()));
        QVERIFY(QDir(m_database->Folder()).rmdir(QStringLiteral("BACKUP")));
        QFile blocker(m_database->Folder() + QStringLiteral("/BACKUP"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MainWindow m(m_database->store);
        closeWindow(m);
        m.window.close();  // a second close request after the window has ended
        // The fixed text exactly, and the reason naming the folder in the way in the box's detail.
        QCOMPARE(m.services.shown.size(), std::size_t{1});
        QCOMPARE(m.services.shown[0].text, QString::fromUtf8("备份失败!请重新启动程序予以备份!"));
        QVERIFY2(m.services.shown[0].detail.contains(m_database->Folder() + QStringLiteral("/BACKUP")),
                 qPrintable(m.services.shown[0].detail));
        QCOMPARE(m.window.result(), result);
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
