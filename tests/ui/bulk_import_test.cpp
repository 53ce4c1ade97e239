// The main window importing several workbooks chosen at once: the progress dialog, 取消, the last
// day in the result panel and the list of the files that failed. With MOXTEL_SCREENSHOT_DIR set,
// the progress dialog and the failure list are saved as PNGs.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <atomic>

#include "core/data/CAdoDatabase.h"
#include "core/data/FaultyVfs.h"
#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/DatabaseFailureBox.h"
#include "ui/stats/BulkImportWindows.h"

using namespace moxtel;

namespace {

struct MainWindow : test::MainWindowEnv {
    explicit MainWindow(StoreContext& store) : MainWindowEnv(store) { window.show(); }
    QString Text(int id) const { return window.Edit(id)->text(); }
};

int StoredDays(const StoreContext& store) {
    CAdoDatabase db(store);
    db.OpenRecordset("select count(*) from gpmaster where priceend is not null");
    return std::stoi("0" + db.GetFieldText(0));
}

void SaveScreenshot(QWidget& window, const QString& name) {
    const QByteArray folder = qgetenv("MOXTEL_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    window.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

class BulkImportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;

    // A tick export of one day of stock 甲 with `trades` trades.
    QString Day(const QString& date, int trades = 5) {
        const QString path = m_files.path() + QLatin1Char('/') + date + QStringLiteral(".xls");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray text = date.toUtf8() + " 甲 (600001)\n\n\n\n\n";
        for (int i = 0; i < trades; ++i) {
            text += "09:30:0" + QByteArray::number(i % 10) + "\t10." + QByteArray::number(10 + i % 7) + "\t" +
                    QByteArray::number(100 + i) + "\t1\t" + (i % 2 ? "B" : "") + "\n";
        }
        file.write(text);
        return path;
    }

    // A file of the given bytes in the test's folder.
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        QFile file(m_files.path() + QLatin1Char('/') + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

  private slots:
    // A database that fails while an import reads: the readers meet it on their own threads
    // (looking up the stored names of tables named by their code), yet the failure is shown on
    // the GUI thread, as the application reports it, and every day not stored is listed.
    void databaseFailingWhileReadingIsShownOnTheGuiThread() {
        TestDatabase db;
        MainWindow m(db.store);
        DatabaseFailureBox box(m.services);
        std::atomic<int> offGuiThread{0};
        db.store.SetErrorReporter([&box, &offGuiThread](const std::string& description) {
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offGuiThread;
            box(description);
        });
        CAdoDatabase(db.store).Execute("select 1");  // the file exists: the readers look names up in it
        QStringList chosen;
        for (int day = 1; day <= 6; ++day) {
            const QString name = QStringLiteral("2024-01-0%1/sh60000%1.csv").arg(day);
            QDir().mkpath(m_files.path() + QStringLiteral("/2024-01-0%1").arg(day));
            chosen << WriteFile(name, "time,price,volume,type\n09:30:01,20.00,1,buy\n09:30:02,20.01,2,sell\n");
        }
        m.services.fileChoices.push_back(chosen);
        m.window.Button(1184)->click();
        QStringList listed;
        m.services.onChild = [&listed](QDialog& child) {
            auto* table = child.findChild<QTableWidget*>();
            for (int row = 0; table && row < table->rowCount(); ++row) listed << table->item(row, 1)->text();
            return 1;
        };
        {
            test::FaultyVfs vfs;
            vfs.FailReads();
            m.window.Button(1186)->click();
            QCoreApplication::processEvents();  // reports queued by the readers after the last click
        }
        db.store.SetErrorReporter({});

        QVERIFY(offGuiThread > 0);
        QCOMPARE(m.services.shownOffGuiThread, 0);
        QVERIFY(!m.services.shown.empty());
        QVERIFY2(m.services.shown.front().text.contains(db.File()), qPrintable(m.services.shown.front().text));
        QCOMPARE(listed.size(), chosen.size());
        QCOMPARE(listed.front(), QString::fromUtf8("数据库出错，这一天没有保存"));
        QCOMPARE(StoredDays(db.store), 0);
    }

    void severalFilesAreImportedAndFailuresListed() {
        TestDatabase db;
        MainWindow m(db.store);
        const QString damaged = WriteFile(QStringLiteral("damaged.xls"), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 broken", 15));
        const QStringList chosen{Day(QStringLiteral("20240103")), damaged, Day(QStringLiteral("20240101")),
                                 Day(QStringLiteral("20240102"))};
        m.services.fileChoices.push_back(chosen);
        m.window.Button(1184)->click();
        QCOMPARE(m.Text(1185), ImportPathsText(chosen));

        QStringList listed;
        QString detail;
        m.services.onChild = [&listed, &detail](QDialog& child) {
            auto* table = child.findChild<QTableWidget*>();
            for (int row = 0; table && row < table->rowCount(); ++row) {
                listed << table->item(row, 0)->text() + QStringLiteral(" | ") + table->item(row, 1)->text();
                if (auto* cell = qobject_cast<QLabel*>(table->cellWidget(row, 1))) detail += cell->text();
            }
            SaveScreenshot(child, QStringLiteral("import-failures"));
            return 1;
        };
        m.window.Button(1186)->click();

        QCOMPARE(StoredDays(db.store), 3);
        QCOMPARE(m.services.children, QStringList{QStringLiteral("moxtel::CImportFailuresDlg")});
        QCOMPARE(listed.size(), 4);  // the damaged file, then the three days stored in date order
        QCOMPARE(listed[1], chosen[2] + QString::fromUtf8(" | 已保存：甲(600001)20240101"));
        // The program's own message, the reader's English words on a smaller second line.
        QCOMPARE(listed.front(), damaged + QString::fromUtf8(" | 文件无法读取或已损坏，不是能统计的表格"));
        QVERIFY2(detail.contains(QStringLiteral("<small>the workbook is damaged")), qPrintable(detail));
        // The last day stored is the current one: title line, result panel and its buttons.
        QCOMPARE(m.Text(1001), QString::fromUtf8("20240103 甲 (600001)"));
        QCOMPARE(m.session.day.masterId, std::string("甲(600001)20240103"));
        QCOMPARE(m.session.day.yesId, std::string("甲(600001)20240102"));
        QVERIFY(m.window.Button(1135)->isEnabled());
        QVERIFY(m.window.HasResult());

        // Only failures: the title line goes back to what it showed, the last result stays.
        m.services.fileChoices.push_back({damaged, damaged});
        m.window.Button(1184)->click();
        m.window.Button(1186)->click();
        QCOMPARE(m.Text(1001), QString::fromUtf8("20240103 甲 (600001)"));
        QCOMPARE(m.services.children.size(), 2);
    }

    // What is not stored is listed with the failures: warnings, files that are no workbooks, and each
    // file left out as the same day as another. A typed previous close is said to be unused.
    void warningsSkippedFilesAndDuplicatesAreListed() {
        TestDatabase db;
        MainWindow m(db.store);
        const QString notes = WriteFile(QStringLiteral("notes.txt"), "just some notes\n");
        const QString bad = WriteFile(QStringLiteral("bad.xls"), "20240102 甲 (600001)\n\n\n\n\n09:30:00\tx\t10\t1\tB\n");
        const QString first = Day(QStringLiteral("20240101"));
        const QString again = m_files.path() + QStringLiteral("/again.xls");
        QFile::copy(first, again);
        const QStringList chosen{first, notes, bad, again};
        m.services.fileChoices.push_back(chosen);
        m.window.Button(1184)->click();
        m.window.Edit(1159)->setText(QStringLiteral("10.00"));

        QStringList listed;
        QString label;
        m.services.onChild = [&](QDialog& child) {
            auto* table = child.findChild<QTableWidget*>();
            for (int row = 0; table && row < table->rowCount(); ++row) {
                listed << table->item(row, 0)->text() + QStringLiteral(" | ") + table->item(row, 1)->text();
            }
            for (QLabel* text : child.findChildren<QLabel*>()) label += text->text();
            return 1;
        };
        m.window.Button(1186)->click();
        QCOMPARE(StoredDays(db.store), 2);
        QCOMPARE(m.services.children, QStringList{QStringLiteral("moxtel::CImportFailuresDlg")});
        QCOMPARE(listed.size(), 5);  // then the two days stored
        QVERIFY2(listed[0].startsWith(bad + QString::fromUtf8(" | 警告：")), qPrintable(listed[0]));
        // The reason stats gives for the file, not a blanket "not a table".
        QCOMPARE(listed[1], notes + QString::fromUtf8(" | 跳过：无法识别文件“notes.txt”的格式：找不到列 "
                                                      "成交时间、成交价格、成交量、性质。"));
        QCOMPARE(listed[2], first + QString::fromUtf8(" | 重复：与 ") + again + QString::fromUtf8(" 是同一天，保存的是后者"));
        QVERIFY2(label.contains(QString::fromUtf8("导入 2 天")), qPrintable(label));
        QVERIFY2(label.contains(QString::fromUtf8("上一收盘价没有使用")), qPrintable(label));
    }

    // A clean import says how many days it stored and how long it took.
    void cleanImportShowsItsSummary() {
        TestDatabase db;
        MainWindow m(db.store);
        m.services.fileChoices.push_back({Day(QStringLiteral("20240101")), Day(QStringLiteral("20240102"))});
        m.window.Button(1184)->click();
        m.window.Button(1186)->click();
        QCOMPARE(StoredDays(db.store), 2);
        QCOMPARE(m.services.children, QStringList());
        QCOMPARE(m.services.shown.size(), std::size_t{1});
        const QString text = m.services.shown.back().text;
        QVERIFY2(text.startsWith(QString::fromUtf8("导入 2 天（0 天替换了以前保存的数据），0 个文件失败")), qPrintable(text));
        QVERIFY2(text.contains(QString::fromUtf8("用时 ")) && text.endsWith(QString::fromUtf8(" 秒。")), qPrintable(text));
        QCOMPARE(m.services.shown.back().icon, MessageIcon::Information);
    }

    // A run that stores nothing says so, and the result still shown keeps its buttons.
    void importThatStoresNothingSaysSoAndKeepsTheResultUsable() {
        TestDatabase db;
        MainWindow m(db.store);
        m.services.fileChoices.push_back({Day(QStringLiteral("20240105"))});
        m.window.Button(1184)->click();
        m.window.Button(1186)->click();
        QVERIFY(m.window.Button(1135)->isEnabled());

        const QStringList notes{WriteFile(QStringLiteral("a.txt"), "not a table\n"),
                                WriteFile(QStringLiteral("b.txt"), "not a table\n")};
        m.services.fileChoices.push_back(notes);
        m.window.Button(1184)->click();
        m.services.onChild = [](QDialog&) { return 1; };
        m.window.Button(1186)->click();
        QCOMPARE(StoredDays(db.store), 1);
        QCOMPARE(m.services.children.size(), 1);  // the two skipped files listed
        QVERIFY(m.window.HasResult());
        QVERIFY(m.window.Button(1135)->isEnabled());
        QCOMPARE(m.Text(1001), QString::fromUtf8("20240105 甲 (600001)"));

        // Nothing to list and nothing stored (an empty folder): a short message instead of silence.
        const QString empty = m_files.path() + QStringLiteral("/empty");
        QDir().mkpath(empty);
        m.services.fileChoices.push_back({empty, empty});
        m.window.Button(1184)->click();
        m.window.Button(1186)->click();
        QCOMPARE(m.services.children.size(), 1);
        QCOMPARE(m.services.shown.size(), std::size_t{1});
        QCOMPARE(m.services.shown.back().text, QString::fromUtf8("导入 0 天（0 天替换了以前保存的数据），0 个文件失败，跳过 0 个不是表格的文件。"));
        QVERIFY(m.window.Button(1135)->isEnabled());
    }

    void oneFileChosenRunsAsBefore() {
        TestDatabase db;
        MainWindow m(db.store);
        const QString one = Day(QStringLiteral("20240105"));
        m.services.fileChoices.push_back({one});
        m.window.Button(1184)->click();
        QCOMPARE(m.Text(1185), one);
        m.window.Button(1186)->click();
        QCOMPARE(StoredDays(db.store), 1);
        QVERIFY(m.services.children.isEmpty());
        QCOMPARE(m.Text(1001), QString::fromUtf8("20240105 甲 (600001)"));
    }

    // A single file that is no tick workbook, and one that cannot be opened: what the user is told.
    void refusedAndUnreadableWorkbooksSayWhy() {
        TestDatabase db;
        MainWindow m(db.store);
        m.services.fileChoices.push_back({Day(QStringLiteral("20240105"))});
        m.window.Button(1184)->click();
        m.window.Button(1186)->click();
        const QString before = m.Text(1001);

        const QString hello = m_files.path() + QStringLiteral("/hello.xls");
        QFile file(hello);
        file.open(QIODevice::WriteOnly);
        file.write("hello\nworld\n");
        file.close();
        m.window.Edit(1185)->setText(hello);
        m.window.Button(1186)->click();
        QCOMPARE(m.services.shown.size(), std::size_t{1});
        // Neither layout: the message names the file and the columns a tick table needs.
        QVERIFY2(m.services.shown.back().text.contains(QStringLiteral("hello.xls")),
                 qPrintable(m.services.shown.back().text));
        QVERIFY(m.services.shown.back().text.contains(QString::fromUtf8("成交时间")));
        QCOMPARE(m.Text(1001), before);  // back to what the line showed before the run
        QCOMPARE(StoredDays(db.store), 1);

        const QString missing = m_files.path() + QStringLiteral("/missing.xls");
        m.window.Edit(1185)->setText(missing);
        m.window.Button(1186)->click();
        QCOMPARE(m.services.shown.back().text, QString::fromUtf8("文件打开错误，请检查文件是否正确选择!"));
        QVERIFY2(m.services.shown.back().detail.startsWith(missing + QLatin1Char('\n')),
                 qPrintable(m.services.shown.back().detail));
    }

    // A list without directions among the files: the window offers to infer them; declined, the
    // file is listed in the window's words, accepted, it is stored and marked.
    void listsWithoutDirectionsAreOfferedTheTickRule() {
        for (const bool accept : {false, true}) {
            TestDatabase db;
            MainWindow m(db.store);
            const QString noSide =
                WriteFile(QStringLiteral("600001_20240103.csv"), "time,price,volume\n09:30:00,10.00,5\n09:30:01,10.01,7\n");
            m.services.fileChoices.push_back({Day(QStringLiteral("20240102")), noSide});
            m.services.answers.push_back(accept);
            m.window.Button(1184)->click();
            QStringList listed;
            m.services.onChild = [&](QDialog& child) {
                auto* table = child.findChild<QTableWidget*>();
                for (int row = 0; table && row < table->rowCount(); ++row) listed << table->item(row, 1)->text();
                return 1;
            };
            m.window.Button(1186)->click();
            QCOMPARE(m.services.shown.front().kind, QStringLiteral("ask"));
            QVERIFY2(m.services.shown.front().text.startsWith(QString::fromUtf8("1 个文件没有买卖方向")),
                     qPrintable(m.services.shown.front().text));
            QCOMPARE(StoredDays(db.store), accept ? 2 : 1);
            if (accept) {  // a clean import of both, the inferred day shown last
                QVERIFY2(m.services.shown.back().text.startsWith(QString::fromUtf8("导入 2 天")),
                         qPrintable(m.services.shown.back().text));
                QCOMPARE(m.Text(1001), QString::fromUtf8("20240103 甲 (600001)  (推断方向)"));
            } else {
                QVERIFY2(listed.contains(QString::fromUtf8(
                             "跳过：找不到列 性质，没有买卖方向(可在导入时选择按成交价涨跌推断方向)")),
                         qPrintable(listed.join(QLatin1Char('\n'))));
            }
        }
    }

    // 取消 while the days are stored: those stored stay whole, the rest are not stored.
    void cancelKeepsTheDaysStored() {
        TestDatabase db;
        MainWindow m(db.store);
        QStringList chosen;
        for (int d = 1; d <= 28; ++d) chosen << Day(QStringLiteral("202402%1").arg(d, 2, 10, QLatin1Char('0')), 2000);
        m.services.fileChoices.push_back(chosen);
        m.window.Button(1184)->click();

        bool shot = false;
        int lastValue = -1;  // a bar not yet started shows -1
        bool wentBack = false;  // one bar over reading and storing: it never starts again
        static const QRegularExpression storedSoFar(QString::fromUtf8("保存 (\\d+)/"));
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, &m.window, [&] {
            auto* progress = m.window.findChild<QProgressDialog*>(QString::fromLatin1(kImportProgressName));
            if (!progress || progress->wasCanceled()) return;  // 取消 resets the bar
            wentBack = wentBack || progress->value() < lastValue;
            lastValue = progress->value();
            if (storedSoFar.match(progress->labelText()).captured(1).toInt() < 2) return;
            if (!shot) SaveScreenshot(*progress, QStringLiteral("import-progress"));
            shot = true;
            progress->findChild<QPushButton*>()->click();
        });
        watcher.start(0);
        m.window.Button(1186)->click();
        watcher.stop();

        QVERIFY(shot);
        QVERIFY(!wentBack);
        QVERIFY(lastValue > 500 && lastValue < 1000);  // in the storing half
        const int stored = StoredDays(db.store);
        QVERIFY2(stored >= 2 && stored < 28, qPrintable(QString::number(stored)));
        QVERIFY(m.services.children.isEmpty());
        // The closing message counts the days stored before 取消, not zeros.
        QVERIFY2(m.services.shown.back().text.startsWith(QString::fromUtf8("导入 %1 天").arg(stored)),
                 qPrintable(m.services.shown.back().text));
        QVERIFY(m.services.shown.back().text.contains(QString::fromUtf8("导入已取消")));
        QCOMPARE(m.session.day.tradeDate, QStringLiteral("202402%1").arg(stored, 2, 10, QLatin1Char('0')).toStdString());
    }
};

QTEST_MAIN(BulkImportTest)
#include "bulk_import_test.moc"
