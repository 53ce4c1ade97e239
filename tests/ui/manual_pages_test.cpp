// The user manual as the help window shows it: every page loads in a QTextBrowser, every link leads
// to a page of the manual, every picture loads, every page is reachable from the contents, and the
// message page names each message the program can show. With MOXTEL_SCREENSHOT_DIR set, each page
// is also saved as manual-<page>.png, drawn as the help window draws it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>

#include "core/data/CDataFolder.h"
#include "core/layout/CTickTable.h"
#include "core/layout/DayIdentity.h"
#include "core/maintenance/ClearData.h"
#include "core/query/HistoryQuery.h"
#include "core/stats/StatisticsRun.h"
#include "core/templates/TemplateStore.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/stats/DynamicStatsRows.h"

using namespace moxtel;

namespace {

QDir ManualDir() { return QDir(QStringLiteral(MOXTEL_TEST_DATA_DIR "/../../docs/manual")); }

struct PageParts {
    QStringList links;   // href texts
    QStringList images;  // image names as written
};

PageParts PartsOf(const QTextDocument& document) {
    PageParts parts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !format.anchorHref().isEmpty()) parts.links << format.anchorHref();
            if (format.isImageFormat()) parts.images << format.toImageFormat().name();
        }
    }
    return parts;
}

// The manual file a link names, without its #fragment; empty for links that leave the manual.
QString LinkedFile(const QString& href) {
    if (href.startsWith(QLatin1Char('#')) || href.contains(QLatin1Char(':'))) return {};
    return href.section(QLatin1Char('#'), 0, 0);
}

}  // namespace

class ManualPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyPageLoadsWithItsLinksAndPictures();
    void everyPageIsReachableFromTheContents();
    void everyContentsEntryHasItsNumber();
    void theMessagePageNamesEveryMessage();
};

void ManualPagesTest::everyPageLoadsWithItsLinksAndPictures() {
    const QDir dir = ManualDir();
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY2(pages.contains(QStringLiteral("index.html")), qPrintable(dir.absolutePath()));
    QSet<QString> shown;
    for (const QString& page : pages) {
        QTextBrowser browser;
        browser.resize(900, 700);
        browser.setSource(QUrl::fromLocalFile(dir.absoluteFilePath(page)));
        QVERIFY2(!browser.documentTitle().isEmpty(), qPrintable(page));
        QVERIFY2(browser.toPlainText().size() > 100, qPrintable(page));
        const PageParts parts = PartsOf(*browser.document());
        for (const QString& href : parts.links) {
            const QString file = LinkedFile(href);
            if (!file.isEmpty()) QVERIFY2(dir.exists(file), qPrintable(page + QStringLiteral(": ") + href));
        }
        for (const QString& image : parts.images) {
            QVERIFY2(!QImage(dir.absoluteFilePath(image)).isNull(), qPrintable(page + QStringLiteral(": ") + image));
            shown.insert(QFileInfo(image).fileName());
        }
        if (const QString shots = qEnvironmentVariable("MOXTEL_SCREENSHOT_DIR"); !shots.isEmpty()) {
            browser.show();
            QVERIFY(browser.grab().save(shots + QStringLiteral("/manual-") + QFileInfo(page).baseName() +
                                        QStringLiteral(".png")));
        }
    }
    // A picture no page shows is a page that lost it.
    for (const QString& file : QDir(dir.filePath(QStringLiteral("images"))).entryList(QDir::Files)) {
        QVERIFY2(shown.contains(file), qPrintable(file + QStringLiteral(" is shown on no page")));
    }
}

void ManualPagesTest::everyPageIsReachableFromTheContents() {
    const QDir dir = ManualDir();
    QSet<QString> seen{QStringLiteral("index.html")};
    QStringList queue{QStringLiteral("index.html")};
    while (!queue.isEmpty()) {
        QTextBrowser browser;
        browser.setSource(QUrl::fromLocalFile(dir.absoluteFilePath(queue.takeFirst())));
        for (const QString& href : PartsOf(*browser.document()).links) {
            const QString file = LinkedFile(href);
            if (file.isEmpty() || seen.contains(file)) continue;
            seen.insert(file);
            queue << file;
        }
    }
    for (const QString& page : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QVERIFY2(seen.contains(page), qPrintable(page + QStringLiteral(" is linked from nowhere")));
    }
}

// Each row of the contents starts with its chapter's number (1., 1.1, 2. ...), pages added later too.
void ManualPagesTest::everyContentsEntryHasItsNumber() {
    QFile index(ManualDir().absoluteFilePath(QStringLiteral("index.html")));
    QVERIFY(index.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(index.readAll());
    static const QRegularExpression entry(QStringLiteral("<tr><td>([^<]*)</td><td><a href=\"([^\"]+)\""));
    static const QRegularExpression number(QStringLiteral("^\\d+\\.(\\d+)?$"));
    int entries = 0;
    for (auto it = entry.globalMatch(html); it.hasNext(); ++entries) {
        const QRegularExpressionMatch row = it.next();
        QVERIFY2(number.match(row.captured(1)).hasMatch(),
                 qPrintable(row.captured(2) + QStringLiteral(" has no number")));
    }
    QVERIFY(entries >= 10);
}

void ManualPagesTest::theMessagePageNamesEveryMessage() {
    QTextBrowser browser;
    browser.setSource(QUrl::fromLocalFile(ManualDir().absoluteFilePath(QStringLiteral("messages.html"))));
    const QString text = browser.toPlainText();
    for (const char* message :
         {kMsgNoWorkbook, kMsgOpenFailed, kMsgRunning, kMsgDynamicRangeReversed, kMsgBackupFailed, kMsgChooseStock,
          kMsgChoosePeriod, kMsgTemplateNameEmpty, kMsgNoStockChosen, kMsgNoDateChosen, kMsgConfirmClear, kMsgClearDone,
          "该模板已存在，请更换模板名称或点击修改!", "该模板不存在，请更换模板名称或点击添加!",
          "第一区间开始数值不能大于结束数值!"}) {
        QVERIFY2(text.contains(QString::fromUtf8(message)), message);
    }
    // Messages with placeholders: the page shows "…" where the file, line or word goes.
    for (const char* message : {kMsgUnknownDirection, kMsgNeedDate, kMsgNeedStock, kMsgBadDate, kMsgBadStock,
                                kMsgDirectionCodes, kMsgTableDates}) {
        QString shown = QString::fromUtf8(message);
        shown.replace(QStringLiteral("%s"), QStringLiteral("…")).replace(QStringLiteral("%d"), QStringLiteral("…"));
        QVERIFY2(text.contains(shown), message);
    }
}

QTEST_MAIN(ManualPagesTest)
#include "manual_pages_test.moc"
