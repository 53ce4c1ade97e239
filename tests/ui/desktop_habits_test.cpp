// What a desktop user expects of the program: Qt's own texts in Chinese, number edits that take
// numbers only, the browse folder and window places remembered between runs, resizable windows,
// a workbook named on the command line, and --version.
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMap>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <utility>

#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/LayoutCheck.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/WindowEnv.h"
#include "ui/app/CHelpWindow.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/NumberInput.h"
#include "ui/app/ScreenPlacement.h"
#include "ui/app/StartOptions.h"
#include "ui/app/WindowServices.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CUncertainDetailDlg.h"

using namespace moxtel;

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

using MainWindow = test::MainWindowEnv;

QString Describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void Paste(QLineEdit& edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit.setFocus();
    QTest::keySequence(&edit, QKeySequence::Paste);
}

}  // namespace

class DesktopHabitsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // Never the user's own settings: a folder of this run, named before anything reads them.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void qtTextsSpeakChineseWhateverTheLocale() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(InstallChineseTranslations(*qApp));
        QMessageBox box(QMessageBox::Question, Utf8("提示"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text().left(1), Utf8("是"));
        QCOMPARE(box.button(QMessageBox::No)->text().left(1), Utf8("否"));
        QMessageBox ok(QMessageBox::Warning, Utf8("提示"), QStringLiteral("!"), QMessageBox::Ok);
        QCOMPARE(ok.button(QMessageBox::Ok)->text(), Utf8("确定"));
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction* action : menu->actions()) texts << action->text();
        QVERIFY2(texts.join(QLatin1Char(' ')).contains(Utf8("复制")), qPrintable(texts.join(QLatin1Char(' '))));
    }

    // Qt's file dialog writes sizes and dates by the system's locale and leaves "Folder" untranslated;
    // the program's open dialog shows them in Chinese whatever the system's locale (C here).
    void fileDialogListsFilesInChinese() {
        QVERIFY(InstallChineseTranslations(*qApp));
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QFile file(dir.path() + QStringLiteral("/day.xls"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("0123456789") == 10);
        file.close();
        QMap<QString, QStringList> rows;  // name -> size, type, date as shown
        QStringList headers;
        QStringList cut;  // texts wider than their column
        int columnsWidth = 0;
        int listWidth = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            if (view) {
                (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }, 5000);
                const QAbstractItemModel& list = *view->model();
                for (int row = 0; row < list.rowCount(view->rootIndex()); ++row) {
                    const QModelIndex name = list.index(row, 0, view->rootIndex());
                    QStringList shown;
                    for (int column = 1; column < 4; ++column) {
                        shown << name.siblingAtColumn(column).data().toString();
                        if (view->fontMetrics().horizontalAdvance(shown.back()) + 8 >
                            view->header()->sectionSize(column))
                            cut << shown.back();
                    }
                    rows.insert(name.data().toString(), shown);
                }
                for (int column = 0; column < 4; ++column)
                    headers << list.headerData(column, Qt::Horizontal).toString();
                columnsWidth = view->header()->length();
                listWidth = view->viewport()->width();
            }
            dialog->reject();
        });
        QtWindowServices services;
        QVERIFY(!services.ChooseOpenFile(nullptr, QString::fromUtf8("所有文件 (*.*)|*.*||"), dir.path()));
        QCOMPARE(headers, (QStringList{Utf8("名称"), Utf8("体积"), Utf8("类型"), Utf8("修改日期")}));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.value(QStringLiteral("sub")).value(1), Utf8("文件夹"));
        QCOMPARE(rows.value(QStringLiteral("day.xls")).value(0), Utf8("10 字节"));
        const QString date = rows.value(QStringLiteral("day.xls")).value(2);
        QCOMPARE(date, QLocale(QLocale::Chinese, QLocale::China)
                           .toString(QFileInfo(file).lastModified(), QLocale::ShortFormat));
        static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
        QVERIFY2(!date.contains(latin), qPrintable(date));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(" / "))));
        // Every column in view without scrolling sideways.
        QVERIFY2(columnsWidth <= listWidth, qPrintable(QStringLiteral("%1 > %2").arg(columnsWidth).arg(listWidth)));
    }

    void numberEditsTakeNumbersOnly_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");  // after "1a2.,5%-" is typed
        QTest::newRow("previous close") << 1159 << Utf8("上一收盘价") << QStringLiteral("12.5");
        QTest::newRow("turnover") << 1126 << Utf8("换手率") << QStringLiteral("12.5%");  // a percent sign kept
    }
    void numberEditsTakeNumbersOnly() {
        QFETCH(int, id);
        QFETCH(QString, name);
        MainWindow m(m_database.store);
        m.window.show();
        QLineEdit& edit = *m.window.Edit(id);
        QFETCH(QString, typed);
        QTest::keyClicks(&edit, QStringLiteral("1a2.,5%-"));
        QCOMPARE(edit.text(), typed);  // the other characters are ignored
        QCOMPARE(m.services.shown.size(), std::size_t{0});

        Paste(edit, QStringLiteral("abc"));
        QCOMPARE(edit.text(), typed);
        QCOMPARE(m.services.Messages(), QStringList{name + Utf8("只能填写数字，粘贴的“abc”不是数字。")});

        edit.selectAll();
        Paste(edit, QStringLiteral("-3.75"));
        QCOMPARE(edit.text(), QStringLiteral("-3.75"));
        edit.clear();  // empty is allowed: the field is optional
        QCOMPARE(edit.text(), QString());

        // A paste from the context menu goes through the same check.
        QApplication::clipboard()->setText(QStringLiteral("1.2.3"));
        edit.paste();
        QCOMPARE(edit.text(), QString());
        QCOMPARE(m.services.Messages().size(), 2);
    }

    void numberTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        for (const char* ok : {"", "0", "12.35", "-0.5", "+7", ".5", "12."}) QTest::newRow(ok) << ok << true;
        for (const char* bad : {"abc", "1e5", "1,5", "1.2.3", "12 ", "5%", "--1", "１２"})
            QTest::newRow(bad) << Utf8(bad) << false;
    }
    void numberTexts() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QCOMPARE(NumberInputGuard::IsNumberText(text), number);
    }

    // The turnover takes one percent sign at the end of its number; the previous close none.
    void turnoverTakesAPercentSign_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("turnover");
        QTest::addColumn<bool>("previousClose");
        QTest::newRow("1.23%") << "1.23%" << true << false;
        QTest::newRow("1.23") << "1.23" << true << true;
        QTest::newRow("%5") << "%5" << false << false;
        QTest::newRow("5%%") << "5%%" << false << false;
        QTest::newRow("5%1") << "5%1" << false << false;
        QTest::newRow("abc%") << "abc%" << false << false;
    }
    void turnoverTakesAPercentSign() {
        QFETCH(QString, text);
        QFETCH(bool, turnover);
        QFETCH(bool, previousClose);
        QCOMPARE(NumberInputGuard::IsNumberText(text, NumberInputGuard::Percent::Allowed), turnover);
        QCOMPARE(NumberInputGuard::IsNumberText(text), previousClose);
        // Typed into the main window's edits, key by key.
        MainWindow m(m_database.store);
        for (const auto& [id, accepted] : {std::pair{1126, turnover}, std::pair{1159, previousClose}}) {
            QLineEdit* edit = m.window.Edit(id);
            QVERIFY(edit);
            edit->clear();
            QTest::keyClicks(edit, text);
            QCOMPARE(edit->text() == text, accepted);
        }
    }

    void firstControlHasTheFocusAtStart() {
        MainWindow m(m_database.store);
        m.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m.window));
        QCOMPARE(QApplication::focusWidget(), m.window.Edit(1185));  // typing goes to the workbook path
    }

    void browseStartsInTheFolderUsedLast() {
        QTemporaryDir folder;
        const QString workbook = folder.filePath(QStringLiteral("day.xls"));
        {
            MainWindow m(m_database.store);
            m.services.files << workbook << QString();
            m.window.OnBrowse();
            m.window.OnBrowse();  // cancelled: the folder stays
            QCOMPARE(m.services.startFolders.front(), QString());
            QCOMPARE(m.services.startFolders.back(), folder.path());
        }
        MainWindow next(m_database.store);  // a later run
        next.window.OnBrowse();
        QCOMPARE(next.services.startFolders, QStringList{folder.path()});
        folder.remove();  // a folder that is gone is not offered
        next.window.OnBrowse();
        QCOMPARE(next.services.startFolders.back(), QString());
    }

    void windowPlacesAreRestored() {
        const QRect place(40, 30, 700, 450);
        {
            MainWindow m(m_database.store);
            m.window.show();
            m.window.setGeometry(place);
            m.window.OnExit();
        }
        MainWindow m(m_database.store);
        m.window.show();
        QCOMPARE(m.window.geometry().size(), place.size());
        QCOMPARE(m.window.geometry().topLeft(), place.topLeft());
        m.window.OnExit();

        test::WindowEnv env(m_database.store);
        {
            CHistoryQueryDlg history(env.context);
            history.show();
            history.resize(640, 480);
            history.CommandCancel();
        }
        CHistoryQueryDlg history(env.context);
        history.show();
        QCOMPARE(history.size(), QSize(640, 480));
    }

    // A window's frame, title bar first, goes inside the available area (a panel above it here).
    void frameGoesInsideTheAvailableArea_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("inside stays") << QRect(100, 80, 600, 400) << QRect(100, 80, 600, 400);
        QTest::newRow("title bar above the screen") << QRect(30, -20, 600, 400) << QRect(30, 27, 600, 400);
        QTest::newRow("off the bottom right") << QRect(1200, 700, 600, 400) << QRect(766, 368, 600, 400);
        QTest::newRow("larger both ways") << QRect(-5, -5, 2000, 1000) << QRect(0, 27, 1366, 741);
    }
    void frameGoesInsideTheAvailableArea() {
        QFETCH(QRect, frame);
        QFETCH(QRect, expected);
        QCOMPARE(FrameInside(frame, QRect(0, 27, 1366, 741)), expected);
    }

    // A restored place off the screen, and the help window larger than the screen, open whole on it.
    void windowsOpenInsideTheScreen() {
        {
            MainWindow m(m_database.store);
            m.window.show();
            m.window.setGeometry(-400, -300, 5000, 4000);
            m.window.OnExit();
        }
        MainWindow m(m_database.store);
        m.window.show();
        const QRect available = m.window.screen()->availableGeometry();
        QVERIFY2(available.contains(m.window.frameGeometry()), qPrintable(Describe(m.window.frameGeometry())));
        m.window.OnExit();

        CHelpWindow help(QString(), {});
        help.move(available.left() - 300, available.top() - 200);
        help.resize(available.size() + QSize(200, 100));
        help.show();
        QVERIFY2(available.contains(help.frameGeometry()), qPrintable(Describe(help.frameGeometry())));
    }

    void gridsAndChartsFollowTheWindow() {
        test::WindowEnv env(m_database.store);
        CHistoryQueryDlg window(env.context);
        window.show();
        auto* client = window.findChild<QWidget*>(QStringLiteral("client"));
        const QSize base = client->minimumSize();
        QPushButton* query = window.Button(1098);
        const QSize buttonSize = query->size();
        const QSize gridSize = window.Grid(1189)->size();
        const QSize chartSize = window.findChild<CMSChartView*>(QStringLiteral("1196"))->size();
        window.resize(base.width() * 3 / 2,
                      base.height() * 3 / 2);  // the history window has no menu bar: its client area is all of it
        QTest::qWait(20);
        QCOMPARE(client->size(), QSize(base.width() * 3 / 2, base.height() * 3 / 2));
        CMSFlexGridView* grid = window.Grid(1189);
        CMSChartView* chart = window.findChild<CMSChartView*>(QStringLiteral("1196"));
        const QRect grown = grid->geometry();
        QCOMPARE(query->size(), buttonSize);
        QVERIFY(grown.width() >= gridSize.width() * 3 / 2 - 2);
        QVERIFY(grown.height() >= gridSize.height() * 3 / 2 - 2);
        QVERIFY(chart->width() >= chartSize.width() * 3 / 2 - 2);
        QCOMPARE(test::LayoutProblems(window), QStringList());

        // Smaller than the template: controls keep their size and the client area scrolls.
        window.resize(base.width() / 2, base.height() / 2);
        QTest::qWait(20);
        QCOMPARE(client->size(), base);
        QCOMPARE(grid->size(), gridSize);
        QCOMPARE(chart->size(), chartSize);
        QVERIFY(chart->width() <= client->width());
        QVERIFY(window.findChild<QScrollArea*>(QStringLiteral("clientScroll"))->horizontalScrollBar()->maximum() > 0);
    }

    void uncertainWindowShowsEveryColumnWithNumbersOnTheRight() {
        test::WindowEnv env(m_database.store);
        env.session.currentMasterId = test::StoreDay(m_database.store, "岚谷示例(600999)", "20240102", DayFlowResult());
        test::StoreUncertainTrade(m_database.store, env.session.currentMasterId,
                                  {"09:30:05", "1200", "10.01", "出", "15"});
        CUncertainDetailDlg window(env.context);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CMSFlexGridView* grid = window.Grid(1189);
        int widths = 0;
        for (int col = 0; col < grid->model()->columnCount(); ++col) widths += grid->columnWidth(col);
        QVERIFY2(widths <= grid->viewport()->width(), qPrintable(QString::number(widths)));
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        // Columns are never narrowed below their texts.
        for (int col = 0; col < grid->model()->columnCount(); ++col) {
            const QString header = grid->model()->headerData(col, Qt::Horizontal).toString();
            QVERIFY(grid->columnWidth(col) >= grid->horizontalHeader()->fontMetrics().horizontalAdvance(header));
        }
        const auto alignment = [grid](int col) {
            return grid->model()->index(0, col).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("10.01"));
        QCOMPARE(alignment(0), Qt::AlignRight);
        QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("-15"));
        QCOMPARE(alignment(2), Qt::AlignRight);
    }

    void workbookFromTheCommandLine() {
        QCOMPARE(WorkbookArgument({QStringLiteral("moxtel")}), QString());
        QCOMPARE(WorkbookArgument({QStringLiteral("moxtel"), QStringLiteral("--verbose"), QStringLiteral("/d/日.xls")}),
                 Utf8("/d/日.xls"));
        QCOMPARE(WorkbookArgument({QStringLiteral("moxtel"), QStringLiteral("day.xls")}),
                 QDir::current().absoluteFilePath(QStringLiteral("day.xls")));
        MainWindow m(m_database.store);
        m.window.SetWorkbookPath(Utf8("/d/日.xls"));
        m.window.show();
        QCOMPARE(m.window.Edit(1185)->text(), Utf8("/d/日.xls"));
    }

    void versionNeedsNoDisplay() {
        const auto [status, out] = RunWithoutDisplay({QStringLiteral("--version")});
        QCOMPARE(status, 0);
        QCOMPARE(out, QStringLiteral("moxtel " MOXTEL_VERSION "\n"));
        QCOMPARE(VersionText(), QStringLiteral("moxtel " MOXTEL_VERSION));
    }

    // --help answers on stdout without a display and without opening the window.
    void helpNeedsNoDisplay() {
        for (const QStringList& args : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("-h")},
                                        QStringList{QStringLiteral("day.xls"), QStringLiteral("--help")}}) {
            const auto [status, out] = RunWithoutDisplay(args);
            QCOMPARE(status, 0);
            QCOMPARE(out, UsageText());
            QVERIFY(out.startsWith(QStringLiteral("usage: moxtel [WORKBOOK]\n")));
            QVERIFY(out.contains(QStringLiteral("--version")));
        }
    }

  private:
    // Runs the desktop program with no display of any kind: its exit code (-1 when it did not end
    // within 10 s) and what it wrote on stdout.
    static std::pair<int, QString> RunWithoutDisplay(const QStringList& args) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(MOXTEL_GUI_EXE), args);
        if (!program.waitForFinished(10000)) return {-1, {}};
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput())};
    }

    QTemporaryDir m_config;
    TestDatabase m_database;
};

QTEST_MAIN(DesktopHabitsTest)
#include "desktop_habits_test.moc"
