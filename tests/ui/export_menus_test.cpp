// The context menus of every grid and chart: copy as text or image, export as CSV, PNG or SVG,
// with the file chosen through the window services and a failed write reported.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/query/GridExport.h"
#include "core/query/SessionState.h"
#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/LayoutCheck.h"
#include "ui/StoredDayFixtures.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/query/CCompareChartDlg.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CUncertainDetailDlg.h"
#include "ui/templates/CTemplateDlg.h"

using namespace moxtel;
using namespace moxtel::test;

namespace {

const std::string kStock = "岚谷示例(600999)";

DayFlowResult Day(double scale) {
    DayFlowResult day;
    Put(day.inflow, 1, 300 * scale, 30 * scale);
    Put(day.outflow, 11, 2000 * scale, 250 * scale);
    return day;
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QStringList ActionTexts(QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions()) texts << action->objectName() + QLatin1Char('=') + action->text();
    return texts;
}

void Trigger(QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions())
        if (action->objectName() == name) return action->trigger();
    QFAIL(qPrintable(QStringLiteral("no action ") + name));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ExportMenusTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(m_out.isValid());
        // Never the user's own settings: the folders saved in are remembered there.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        const std::string first = StoreDay(m_database.store, kStock, "20240102", Day(1));
        StoreDay(m_database.store, kStock, "20240103", Day(2));
        StoreUncertainTrade(m_database.store, first, {"09:30:05", "120", "10.01", "出", "15"});
        std::array<IntervalChoice, 5> intervals{
            {{"0", "300"}, {"300", "500"}, {"500", "800"}, {"800", "1000"}, {"1000", "1000+"}}};
        QVERIFY(SaveTemplate(m_database.store, SaveMode::Insert, "大单", intervals).ok());
        RegisterWindows(m_children);
        m_session.currentMasterId = first;
    }

    void everyGridCopiesAndExports() {
        auto history = QueriedHistory();
        CUncertainDetailDlg uncertain(m_context);
        CTemplateDlg templates(m_services, m_database.store);
        for (QDialog* window : {static_cast<QDialog*>(history.get()), static_cast<QDialog*>(&uncertain),
                                static_cast<QDialog*>(&templates)}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const auto grids = window->findChildren<CMSFlexGridView*>();
            QVERIFY(!grids.isEmpty());
            for (CMSFlexGridView* grid : grids) CheckGridMenu(*grid);
        }
    }

    // A copied block comes with its column headers and its days.
    void copyTakesTheSelectedBlockWithItsHeadersAndDays() {
        auto history = QueriedHistory();
        CMSFlexGridView* view = history->Grid(1189);
        view->selectionModel()->select(QItemSelection(view->model()->index(0, 1), view->model()->index(1, 2)),
                                       QItemSelectionModel::Select);
        std::unique_ptr<QMenu> menu(view->CreateContextMenu(nullptr));
        Trigger(*menu, QStringLiteral("copy"));
        const CMSFlexGrid& grid = view->Grid();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString::fromStdString(grid.TextAt(0, 0) + "\t" + grid.TextAt(0, 2) + "\t" + grid.TextAt(0, 3) + "\n" +
                                        grid.TextAt(1, 0) + "\t" + grid.TextAt(1, 2) + "\t" + grid.TextAt(1, 3) + "\n" +
                                        grid.TextAt(2, 0) + "\t" + grid.TextAt(2, 2) + "\t" + grid.TextAt(2, 3) + "\n"));
        QCOMPARE(QString::fromStdString(grid.TextAt(1, 0)), QStringLiteral("2024-01-02"));
        // The hidden master ids never leave the window.
        view->selectAll();
        Trigger(*menu, QStringLiteral("copy"));
        QVERIFY(!QApplication::clipboard()->text().contains(QString::fromStdString(kStock + "20240102")));
    }

    void failedExportIsReportedAndCancelWritesNothing() {
        auto history = QueriedHistory();
        std::unique_ptr<QMenu> menu(history->Grid(1189)->CreateContextMenu(nullptr));
        const std::size_t before = m_services.shown.size();
        m_services.saveFiles << QString();  // cancelled
        Trigger(*menu, QStringLiteral("exportCsv"));
        QCOMPARE(m_services.shown.size(), before);

        const QString blocked = m_out.filePath("no-such-folder/history.csv");
        m_services.saveFiles << blocked;
        QVERIFY(!history->Grid(1189)->ExportCsv());
        QCOMPARE(m_services.shown.size(), before + 1);
        QVERIFY(m_services.shown.back().text.startsWith(Utf8("无法保存文件 ") + blocked));
    }

    void everyChartCopiesAndSavesItsImage() {
        auto history = QueriedHistory();
        history->show();
        QVERIFY(QTest::qWaitForWindowExposed(history.get()));
        CCompareChartDlg compare(m_context);
        CDetailQueryDlg detail(m_context);
        int charts = 0;
        for (QDialog* window :
             {static_cast<QDialog*>(history.get()), static_cast<QDialog*>(&compare), static_cast<QDialog*>(&detail)}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (CMSChartView* chart : window->findChildren<CMSChartView*>()) {
                CheckChartMenu(*chart, QStringLiteral("chart%1").arg(++charts));
                if (QTest::currentTestFailed()) return;
            }
        }
        QCOMPARE(charts, 7);  // the history chart, five comparison charts and the day chart
        // Each suggested file name says which stock, which days and which chart.
        const QString stock = QString::fromStdString(kStock);
        for (const QString& name : {stock + Utf8("_20240101-20240131_曲线图.png"),
                                    stock + Utf8("_20240101-20240131_柱状图对比_0-300(手).png"),
                                    stock + Utf8("_20240101-20240131_柱状图对比_1000-1000+(手).png")})
            QVERIFY2(SuggestedNames().contains(name), qPrintable(SuggestedNames().join(QLatin1Char(' '))));
        const QStringList names = SuggestedNames();
        QVERIFY(std::any_of(names.begin(), names.end(),
                            [](const QString& name) { return name.endsWith(Utf8("_日流量图.png")); }));
    }

    // Each kind of export starts where a file of that kind was saved last; a folder since removed
    // leaves the choice to the dialog.
    void saveDialogsStartInTheFolderLastUsedForTheirKind() {
        QTemporaryDir tables;
        QTemporaryDir pictures;
        auto history = QueriedHistory();
        history->show();
        QVERIFY(QTest::qWaitForWindowExposed(history.get()));
        CMSFlexGridView& grid = *history->Grid(1189);
        CMSChartView& chart = *history->findChild<CMSChartView*>();
        m_services.saveFiles << tables.filePath(QStringLiteral("days.csv"));
        QVERIFY(grid.ExportCsv());
        m_services.saveFiles << pictures.filePath(QStringLiteral("chart.png"));
        QVERIFY(chart.SaveImage());

        QVERIFY(!grid.ExportCsv());  // cancelled: only the suggestion is looked at
        QCOMPARE(QFileInfo(m_services.saveSuggestions.back()).absolutePath(), tables.path());
        QVERIFY(!chart.SaveImage());
        QCOMPARE(QFileInfo(m_services.saveSuggestions.back()).absolutePath(), pictures.path());
        QVERIFY(pictures.remove());
        QVERIFY(!chart.SaveImage());
        QVERIFY2(!m_services.saveSuggestions.back().contains(QLatin1Char('/')), qPrintable(m_services.saveSuggestions.back()));
    }

  private:
    QStringList SuggestedNames() const {
        QStringList names;
        for (const QString& path : m_services.saveSuggestions) names << QFileInfo(path).fileName();
        return names;
    }

    std::unique_ptr<CHistoryQueryDlg> QueriedHistory() {
        auto window = std::make_unique<CHistoryQueryDlg>(m_context);
        window->Initialize();
        CDropList* stocks = window->DropList(1114);
        stocks->setCurrentIndex(stocks->findText(QString::fromStdString(kStock)));
        window->Control<QDateEdit>(1099)->setDate(QDate(2024, 1, 1));
        window->Control<QDateEdit>(1100)->setDate(QDate(2024, 1, 31));
        window->OnQuery();
        return window;
    }

    void CheckGridMenu(CMSFlexGridView& view) {
        std::unique_ptr<QMenu> menu(view.CreateContextMenu(nullptr));
        QCOMPARE(ActionTexts(*menu), (QStringList{QStringLiteral("copy=") + Utf8("复制"),
                                                  QStringLiteral("exportCsv=") + Utf8("导出CSV…")}));
        test::SaveMenuScreenshot(*view.window(), view, *menu, QStringLiteral("menu-grid-") + view.window()->objectName());
        view.clearSelection();
        Trigger(*menu, QStringLiteral("copy"));
        const QString tsv = QString::fromStdString(GridToTsv(view.Grid(), WholeGrid(view.Grid())));
        QCOMPARE(QApplication::clipboard()->text(), tsv);
        QVERIFY(tsv.startsWith(QString::fromStdString(view.Grid().TextAt(0, 0))));

        const QString path = m_out.filePath(view.window()->objectName() + QStringLiteral(".csv"));
        m_services.saveFiles << path;
        Trigger(*menu, QStringLiteral("exportCsv"));
        QVERIFY(m_services.saveSuggestions.back().endsWith(QStringLiteral(".csv")));
        const QByteArray csv = ReadAll(path);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(csv, QByteArray::fromStdString(GridToCsv(view.Grid(), WholeGrid(view.Grid()))));
    }

    void CheckChartMenu(CMSChartView& chart, const QString& name) {
        std::unique_ptr<QMenu> menu(chart.CreateContextMenu(nullptr));
        QCOMPARE(ActionTexts(*menu), (QStringList{QStringLiteral("copyImage=") + Utf8("复制图片"),
                                                  QStringLiteral("saveImage=") + Utf8("保存图片…")}));
        test::SaveMenuScreenshot(*chart.window(), chart, *menu, QStringLiteral("menu-chart-") + name);
        const QSize pixels = chart.size() * chart.devicePixelRatio();
        Trigger(*menu, QStringLiteral("copyImage"));
        QCOMPARE(QApplication::clipboard()->image().size(), pixels);

        m_services.saveFiles << m_out.filePath(name);  // no extension: PNG
        Trigger(*menu, QStringLiteral("saveImage"));
        QVERIFY(m_services.saveSuggestions.back().endsWith(QStringLiteral(".png")));
        // The saved image carries a caption above the chart: taller by it, as wide.
        const QStringList caption = chart.ImageCaption();
        QVERIFY(caption.size() >= 1);
        QVERIFY(chart.CaptionHeight() > 0);
        const QImage saved(m_out.filePath(name + QStringLiteral(".png")));
        QCOMPARE(saved.width(), pixels.width());
        QCOMPARE(saved.height(), pixels.height() + qRound(chart.CaptionHeight() * chart.devicePixelRatio()));

        m_services.saveFiles << m_out.filePath(name + QStringLiteral(".SVG"));
        QVERIFY(chart.SaveImage());
        const QByteArray svg = ReadAll(m_out.filePath(name + QStringLiteral(".SVG")));
        QVERIFY(svg.startsWith("<?xml"));
        QVERIFY(svg.contains("<svg"));
        QVERIFY(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                 .arg(chart.width())
                                 .arg(chart.height() + chart.CaptionHeight())
                                 .toUtf8()));
        for (const QString& line : caption) {
            for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                QVERIFY2(QString::fromUtf8(svg).contains(word.toHtmlEscaped()), qPrintable(word));
            }
        }
    }

    QTemporaryDir m_config;
    QTemporaryDir m_out;
    TestDatabase m_database;
    SessionState m_session;
    ChildWindows m_children;
    FakeWindowServices m_services;
    WindowContext m_context{m_session, m_services, m_children, m_database.store};
};

QTEST_MAIN(ExportMenusTest)
#include "export_menus_test.moc"
