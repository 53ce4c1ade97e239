// The date-and-stock window of tick tables without a title: what the main window's run asks, the
// prefilled guess, the stored stocks offered, a refused stock, cancelling, and its layout.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "core/data/CAdoDatabase.h"
#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/LayoutCheck.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/stats/CDayIdentityDlg.h"

using namespace moxtel;

namespace {

const QString kHeaderTable = QStringLiteral(MOXTEL_TEST_DATA_DIR "/header-bom-sz000001_20241204.csv");
const QString kNoDateTable = QStringLiteral(MOXTEL_TEST_DATA_DIR "/header-openpyxl-no-date.xlsx");
const QString kCodesTable = QStringLiteral(MOXTEL_TEST_DATA_DIR "/header-datetime-codes-012-000001.xlsx");
const QString kWorkedDay = QStringLiteral(MOXTEL_TEST_DATA_DIR "/worked-day.xls");
const QString kNoDirectionTable = QStringLiteral(MOXTEL_TEST_DATA_DIR "/no-direction-000001-20241204.csv");
const QString kTwoStocksTable = QStringLiteral(MOXTEL_TEST_DATA_DIR "/level2-two-stocks.csv");

constexpr int kDatePicker = 1002;
constexpr int kStockList = 1003;
constexpr int kCodesEdit = 1004;
constexpr int kInferCheck = 1005;

struct MainWindow : test::MainWindowEnv {
    // What the day window showed when it came up.
    QDate shownDate;
    QString shownStock;
    QString shownFile;
    QStringList offeredStocks;

    explicit MainWindow(StoreContext& store) : MainWindowEnv(store) { window.show(); }

    void Run(const QString& path) {
        window.Edit(1185)->setText(path);
        window.Button(1186)->click();
    }
    // Answers the day window: types each stock in turn and presses OK; an empty text cancels.
    void AnswerWith(QStringList stocks, QDate date = {}) {
        services.onChild = [this, stocks, date](QDialog& child) mutable {
            auto& dialog = static_cast<CDialogBase&>(child);
            dialog.Initialize();
            shownDate = dialog.Control<QDateEdit>(kDatePicker)->date();
            shownStock = dialog.DropList(kStockList)->currentText();
            shownFile = dialog.Edit(1001)->text();
            offeredStocks.clear();
            for (int i = 0; i < dialog.DropList(kStockList)->count(); ++i)
                offeredStocks << dialog.DropList(kStockList)->itemText(i);
            if (date.isValid()) dialog.Control<QDateEdit>(kDatePicker)->setDate(date);
            for (const QString& stock : stocks) {
                if (stock.isEmpty()) {
                    dialog.CommandCancel();
                    break;
                }
                dialog.DropList(kStockList)->setCurrentText(stock);
                dialog.CommandOK();
                if (dialog.result() == 1) break;
            }
            return dialog.result();
        };
    }
};

int StoredDays(const StoreContext& store, const std::string& masterId) {
    CAdoDatabase db(store);
    db.OpenRecordset("select count(*) from gpmaster where rowid=?", {masterId});
    return std::stoi(db.GetFieldText(0));
}

}  // namespace

class DayIdentityTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_database = std::make_unique<TestDatabase>(); }
    void cleanup() { m_database.reset(); }

    void headerTableAsksPrefilledAndRunsWithTheAnswer() {
        MainWindow m(m_database->store);
        m.AnswerWith({QString::fromUtf8("平安银行（000001）")});
        m.Run(kHeaderTable);
        QCOMPARE(m.services.children, QStringList{QStringLiteral("moxtel::CDayIdentityDlg")});
        QCOMPARE(m.shownDate, QDate(2024, 12, 4));
        QCOMPARE(m.shownStock, QStringLiteral("(000001)"));  // the unknown name left to type
        QCOMPARE(m.shownFile, QStringLiteral("header-bom-sz000001_20241204.csv"));
        QCOMPARE(m.services.Messages(), QStringList());
        QCOMPARE(m.window.Edit(1001)->text(), QString::fromUtf8("20241204 平安银行 (000001)"));
        QVERIFY(m.window.HasResult());
        QCOMPARE(StoredDays(m_database->store, "平安银行(000001)20241204"), 1);
    }

    void storedStocksAreOfferedAndNameTheCode() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);                       // stores ABC(600000)
        QVERIFY(m.services.children.isEmpty());  // the export layout has its own title
        m.AnswerWith({QString::fromUtf8("平安银行(000001)")});
        m.Run(kHeaderTable);
        QCOMPARE(m.offeredStocks, QStringList{QStringLiteral("ABC(600000)")});

        // Now 平安银行(000001) is stored: the next table of that code is prefilled with its name.
        m.AnswerWith({QString::fromUtf8("平安银行(000001)")}, QDate(2024, 12, 5));
        m.Run(kHeaderTable);
        QCOMPARE(m.shownStock, QString::fromUtf8("平安银行(000001)"));
        QCOMPARE(m.offeredStocks, (QStringList{QStringLiteral("ABC(600000)"), QString::fromUtf8("平安银行(000001)")}));
        QCOMPARE(StoredDays(m_database->store, "平安银行(000001)20241205"), 1);
    }

    void aStockWithoutCodeIsRefusedAndTheWindowStays() {
        MainWindow m(m_database->store);
        m.AnswerWith({QString::fromUtf8("平安银行"), QStringLiteral("600000")}, QDate(2024, 12, 6));
        m.Run(kNoDateTable);
        QCOMPARE(
            m.services.Messages(),
            QStringList{QString::fromUtf8("股票“平安银行”无效，应为 名称(代码) 或六位代码，例如 平安银行(000001)。")});
        QCOMPARE(m.shownStock, QString());
        QCOMPARE(m.window.Edit(1001)->text(), QString::fromUtf8("20241206 600000 (600000)"));
        QCOMPARE(StoredDays(m_database->store, "600000(600000)20241206"), 1);
    }

    // An empty stock is told what to type; the prefilled "(code)" taken as it stands is the code;
    // the calendar starts on Monday.
    void emptyOrNamelessStocks() {
        MainWindow m(m_database->store);
        bool mondayFirst = false;
        m.AnswerWith({QStringLiteral("  "), QStringLiteral("(000001)")});
        auto answer = m.services.onChild;
        m.services.onChild = [&](QDialog& child) {
            auto* picker = child.findChild<QDateEdit*>(QString::number(kDatePicker));
            mondayFirst = picker && picker->calendarWidget()->firstDayOfWeek() == Qt::Monday;
            return answer(child);
        };
        m.Run(kHeaderTable);
        QCOMPARE(m.services.Messages(),
                 QStringList{QString::fromUtf8("请填写股票：名称(代码)，例如 平安银行(000001)；或只填六位代码。")});
        QCOMPARE(StoredDays(m_database->store, "000001(000001)20241204"), 1);
        QVERIFY(mondayFirst);
    }

    void cancellingStoresNothingAndSaysNothing() {
        MainWindow m(m_database->store);
        m.AnswerWith({QString()});
        m.Run(kHeaderTable);
        QCOMPARE(m.services.Messages(), QStringList());
        QVERIFY(!m.window.HasResult());
        QVERIFY(!m.window.Button(1135)->isEnabled());
        CAdoDatabase db(m_database->store);
        db.OpenRecordset("select count(*) from gpmaster");
        QCOMPARE(db.GetFieldText(0), std::string("0"));
    }

    // Cancelling over a shown day leaves that day as it was: title, figures, buttons, buckets.
    void cancellingKeepsTheShownDay() {
        MainWindow m(m_database->store);
        m.Run(kWorkedDay);
        QVERIFY(m.window.HasResult());
        const QString title = m.window.Edit(1001)->text();
        const QString inflow = m.window.Edit(1002)->text();
        const auto lotsOfDay = [&m] {
            double sum = 0;
            for (const auto& bucket : m.session.day.inflow.bucket) sum += bucket.lots;
            return sum;
        };
        const double lots = lotsOfDay();
        QVERIFY(lots > 0);
        m.AnswerWith({QString()});
        m.Run(kHeaderTable);
        QCOMPARE(m.window.Edit(1001)->text(), title);
        QCOMPARE(m.window.Edit(1002)->text(), inflow);
        for (int id : {1098, 1099, 1100, 1135, 1142}) QVERIFY(m.window.Button(id)->isEnabled());
        QCOMPARE(lotsOfDay(), lots);
        QCOMPARE(m.services.Messages(), QStringList());
    }

    // A direction column of numbers other than 1/-1/0: the window asks what they mean, refuses an
    // answer that is not three codes, and the run takes the codes given.
    void directionCodesAreAskedWhenTheNumbersNeedThem() {
        MainWindow m(m_database->store);
        QString shownCodes;
        bool codesShown = false;
        m.services.onChild = [&](QDialog& child) {
            auto& dialog = static_cast<CDialogBase&>(child);
            dialog.Initialize();
            auto* codes = dialog.findChild<QLineEdit*>(QString::number(kCodesEdit));
            codesShown = codes != nullptr;
            if (!codes) return 0;
            shownCodes = codes->text();
            dialog.DropList(kStockList)->setCurrentText(QString::fromUtf8("平安银行(000001)"));
            for (const char* wrong : {"0,1", "1,-1,0"}) {
                codes->setText(QString::fromLatin1(wrong));
                dialog.CommandOK();
                if (dialog.result() == 1) return 1;
            }
            codes->setText(QStringLiteral("0,1,2"));
            dialog.CommandOK();
            return dialog.result();
        };
        m.Run(kCodesTable);
        QVERIFY(codesShown);
        QCOMPARE(shownCodes, QStringLiteral("1,-1,0"));
        // Not three codes, then three that leave the file's 2 unexplained: the window stays both times.
        QCOMPARE(m.services.Messages(),
                 (QStringList{QString::fromUtf8("方向代码“0,1”无效，应为三个不同的整数，依次是买入、卖出、中性，例如 0,1,2。"),
                              QString::fromUtf8("方向代码“1,-1,0”没有说明文件中的每一个代码(2、1、0)，"
                                                "请依次填写买入、卖出、中性的代码。")}));
        QCOMPARE(m.window.Edit(1001)->text(), QString::fromUtf8("20241204 平安银行 (000001)"));
        QCOMPARE(StoredDays(m_database->store, "平安银行(000001)20241204"), 1);

        // Words need no codes: the window has no such row.
        m.AnswerWith({QString::fromUtf8("平安银行(000001)")});
        m.services.onChild = [&](QDialog& child) {
            auto& dialog = static_cast<CDialogBase&>(child);
            dialog.Initialize();
            codesShown = dialog.findChild<QLineEdit*>(QString::number(kCodesEdit)) != nullptr;
            dialog.CommandCancel();
            return 0;
        };
        m.Run(kHeaderTable);
        QVERIFY(!codesShown);
    }

    // A list without directions: OK needs the box ticked; the day is then stored and shown as inferred.
    void aListWithoutDirectionsIsRunOnlyWithTheBoxTicked() {
        MainWindow m(m_database->store);
        bool ticked = true;
        m.services.onChild = [&](QDialog& child) {
            auto& dialog = static_cast<CDialogBase&>(child);
            dialog.Initialize();
            auto* box = dialog.findChild<QCheckBox*>(QString::number(kInferCheck));
            if (!box) return 0;
            ticked = box->isChecked();
            dialog.CommandOK();
            if (dialog.result() == 1) return 1;
            box->setChecked(true);
            dialog.CommandOK();
            return dialog.result();
        };
        m.Run(kNoDirectionTable);
        QVERIFY(!ticked);
        QCOMPARE(m.services.Messages().size(), 1);
        QVERIFY2(m.services.Messages().front().contains(QString::fromUtf8("请勾选“按成交价涨跌推断方向”")),
                 qPrintable(m.services.Messages().front()));
        QCOMPARE(m.window.Edit(1001)->text(), QString::fromUtf8("20241204 000001 (000001)  (推断方向)"));
        QCOMPARE(StoredDays(m_database->store, "000001(000001)20241204"), 1);
        QVERIFY(m.session.day.inferredDirection);

        // A table of two stocks offers its codes first.
        m.AnswerWith({QStringLiteral("600000")});
        m.Run(kTwoStocksTable);
        QCOMPARE(m.offeredStocks.mid(0, 2),
                 (QStringList{QString::fromUtf8("000001(000001)"), QString::fromUtf8("600000(600000)")}));
        QCOMPARE(StoredDays(m_database->store, "600000(600000)20241204"), 1);
    }

    void windowWithCodesIsCompleteAndReadable() {
        FakeWindowServices services;
        DayIdentity guess{"20241204", "000001(000001)"};
        guess.codesToExplain = {"0", "1", "2"};
        guess.directionMissing = true;  // not both at once in a file, but the window must hold both rows
        CDayIdentityDlg dialog(services, QStringLiteral("header-datetime-codes-012-000001.xlsx"), guess,
                               m_database->store);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(test::LayoutProblems(dialog).join(QLatin1Char(';')), QString());
        test::SaveScreenshot(dialog, QStringLiteral("day-identity-codes"));
    }

    void windowIsCompleteAndReadable() {
        FakeWindowServices services;
        CDayIdentityDlg dialog(services, QStringLiteral("header-pandas-index-000001-2024-12-04.csv"),
                               {"20241204", "000001(000001)"}, m_database->store);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("交易日期和股票"));
        QCOMPARE(test::LayoutProblems(dialog).join(QLatin1Char(';')), QString());
        test::SaveScreenshot(dialog, QStringLiteral("day-identity"));
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
};

QTEST_MAIN(DayIdentityTest)
#include "day_identity_test.moc"
