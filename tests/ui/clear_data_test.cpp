// The clear-data window: its checks, the question, deleting a stock's days up to and including
// a date, and a deletion the database refuses.
#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/maintenance/CClearDataDlg.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

const std::string kStock = "岚谷示例(600999)";
const std::string kOtherStock = "其他(000001)";

QString Utf8(const char* text) { return QString::fromUtf8(text); }

DayFlowResult SomeDay() {
    DayFlowResult day;
    Put(day.inflow, 1, 10, 1);
    return day;
}

// Rows left in all six tables for a master id.
int RowsOfDay(const StoreContext& store, const std::string& id) {
    int rows = CountRows(store, "gpmaster", "rowid=?", {id});
    for (const char* table : {"transin", "transout", "transinun", "transoutun", "transun"})
        rows += CountRows(store, table, "masterid=?", {id});
    return rows;
}

struct ClearWindow {
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context;
    std::unique_ptr<CClearDataDlg> window;

    explicit ClearWindow(StoreContext& store) : context{session, services, children, store} {
        window = std::make_unique<CClearDataDlg>(context);
        window->show();
    }
    void Delete(const std::string& stock, QDate date) const {
        CDropList* list = window->DropList(1114);
        list->setCurrentIndex(list->findText(QString::fromStdString(stock)));
        window->Control<QDateEdit>(1099)->setDate(date);
        window->Button(1098)->click();
    }
};

}  // namespace

class ClearDataTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_database = std::make_unique<TestDatabase>();
        m_database->store.SetErrorReporter(
            [this](const std::string& text) { m_errors << QString::fromStdString(text); });
        m_errors.clear();
        m_early = StoreDay(m_database->store, kStock, "20240102", SomeDay());
        m_onDate = StoreDay(m_database->store, kStock, "20240103", SomeDay());
        m_later = StoreDay(m_database->store, kStock, "20240104", SomeDay());
        m_other = StoreDay(m_database->store, kOtherStock, "20240102", SomeDay());
        for (const std::string& id : {m_early, m_onDate, m_later, m_other})
            StoreUncertainTrade(m_database->store, id, {"10:00:00", "100", "10.00"});
    }
    void cleanup() { m_database->store.SetErrorReporter({}); }

    void opensWithTheStoredStocks() {
        ClearWindow c(m_database->store);
        QCOMPARE(c.window->windowTitle(), Utf8("清除过期数据"));
        QCOMPARE(c.window->objectName(), QStringLiteral("141"));
        const CDropList* list = c.window->DropList(1114);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), Utf8("其他(000001)"));  // sorted as text
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(c.window->Button(1098)->text(), Utf8("删除"));
        QCOMPARE(c.window->Button(1)->text(), Utf8("退出"));
    }

    // Under the choices the window says what 删除 would delete, and follows the choices.
    void saysWhichDaysWouldBeDeleted() {
        ClearWindow c(m_database->store);
        auto* what = c.window->findChild<QLabel*>(QStringLiteral("1200"));
        QVERIFY(what);
        QCOMPARE(what->text(), QString());
        CDropList* list = c.window->DropList(1114);
        list->setCurrentIndex(list->findText(QString::fromStdString(kStock)));
        c.window->Control<QDateEdit>(1099)->setDate(QDate(2024, 1, 3));
        // The line breaks only between the stock and the date, and each part fits the label's width.
        QCOMPARE(what->text(), Utf8("将删除 ") + QString::fromStdString(kStock) + Utf8("\n截至 2024-01-03 保存的 2 天数据"));
        for (const QString& part : what->text().split(QLatin1Char('\n')))
            QVERIFY2(what->fontMetrics().horizontalAdvance(part) <= what->contentsRect().width(), qPrintable(part));
        c.window->Control<QDateEdit>(1099)->setDate(QDate(2024, 1, 1));
        QCOMPARE(what->text(), Utf8("将删除 ") + QString::fromStdString(kStock) + Utf8("\n截至 2024-01-01 保存的 0 天数据"));
    }

    void noStockChosenDeletesNothing() {
        ClearWindow c(m_database->store);
        c.Delete("", QDate(2024, 1, 31));
        QCOMPARE(c.services.Messages(), QStringList({Utf8("请选择需要删除的股票!")}));
        QCOMPARE(CountRows(m_database->store, "gpmaster"), 4);
    }

    void answeringNoDeletesNothing() {
        ClearWindow c(m_database->store);
        c.services.answers = {false};
        c.Delete(kStock, QDate(2024, 1, 31));
        QCOMPARE(c.services.Messages(), QStringList({Utf8("确定要删除这些数据吗?")}));
        QCOMPARE(c.services.shown[0].kind, QStringLiteral("ask"));
        // The question's detail names the stock, the date and the stored days it would delete.
        QCOMPARE(c.services.shown[0].detail,
                 Utf8("将删除 ") + QString::fromStdString(kStock) + Utf8(" 截至 2024-01-31 保存的 3 天数据"));
        QCOMPARE(CountRows(m_database->store, "gpmaster"), 4);
        QCOMPARE(c.window->Control<QDateEdit>(1099)->text(), QStringLiteral("20240131"));  // stopped midway
    }

    void deletesTheStocksDaysUpToAndIncludingTheDate() {
        ClearWindow c(m_database->store);
        c.services.answers = {true};
        c.Delete(kStock, QDate(2024, 1, 3));
        QCOMPARE(c.services.Messages(), QStringList({Utf8("确定要删除这些数据吗?"), Utf8("数据清除完毕!")}));
        QCOMPARE(c.services.shown[1].kind, QStringLiteral("app"));
        QCOMPARE(c.services.shown[1].icon, MessageIcon::Information);
        QCOMPARE(RowsOfDay(m_database->store, m_early), 0);
        QCOMPARE(RowsOfDay(m_database->store, m_onDate), 0);
        QCOMPARE(RowsOfDay(m_database->store, m_later), 6);
        QCOMPARE(RowsOfDay(m_database->store, m_other), 6);
        QCOMPARE(c.window->Control<QDateEdit>(1099)->text(), QStringLiteral("2024-01-03"));
        QCOMPARE(m_errors, QStringList());

        // Nothing left on or before the date: nothing to delete, and still done.
        c.services.answers = {true};
        c.Delete(kStock, QDate(2024, 1, 3));
        QCOMPARE(c.services.Messages().last(), Utf8("数据清除完毕!"));
        QCOMPARE(CountRows(m_database->store, "gpmaster"), 2);
        // The list is filled once: the stock stays until the window opens again.
        QCOMPARE(c.window->DropList(1114)->count(), 2);
    }

    void aRefusedDeletionIsNotReportedAsDone() {
        ClearWindow c(m_database->store);
        CAdoDatabase blocker(m_database->store);
        QVERIFY(blocker.BeginTransaction());  // another program holds the write lock
        c.services.answers = {true};
        c.Delete(kStock, QDate(2024, 1, 31));
        blocker.Rollback();
        QCOMPARE(c.services.Messages(), QStringList({Utf8("确定要删除这些数据吗?")}));
        QCOMPARE(m_errors.size(), 1);  // the database's own description, shown by the door
        QCOMPARE(CountRows(m_database->store, "gpmaster"), 4);
        QCOMPARE(RowsOfDay(m_database->store, m_early), 6);
    }

    void mainWindowMenuOpensTheClearWindow() {
        SessionState session;
        ChildWindows children;
        RegisterWindows(children);
        FakeWindowServices services;
        const WindowContext context{session, services, children, m_database->store};
        CMainStatDlg main(context);
        main.show();
        main.findChild<QAction*>(QStringLiteral("32772"))->trigger();
        QCOMPARE(services.children, QStringList({"moxtel::CClearDataDlg"}));
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
    QStringList m_errors;
    std::string m_early, m_onDate, m_later, m_other;
};

QTEST_MAIN(ClearDataTest)
#include "clear_data_test.moc"
