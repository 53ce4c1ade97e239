// The help window: the manual's pages with links, back and forward, find, and a clear page when
// no manual is found.
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include "ui/LayoutCheck.h"
#include "ui/app/CHelpWindow.h"

using namespace moxtel;

namespace {

void WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QList<qreal> ImageWidths(const QTextDocument& page) {
    QList<qreal> widths;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) widths << it.fragment().charFormat().toImageFormat().width();
        }
    }
    return widths;
}

QString PageText(const CHelpWindow& window) { return window.Browser()->toPlainText(); }

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(m_manual.isValid());
        WriteFile(m_manual.filePath("index.html"),
                  "<html><body><h1>目录</h1><p><a href=\"templates.html\">统计模板</a></p></body></html>");
        WriteFile(m_manual.filePath("templates.html"),
                  "<html><body><h1>统计模板</h1><p>每个模板有五个区间。</p><p>区间可以修改。</p>"
                  "<p><a href=\"index.html\">返回目录</a></p></body></html>");
    }

    // The manual of the source tree opens with its contents and pictures, as 帮助 shows it.
    void realManualOpensAtItsContents() {
        const QFileInfo index(QStringLiteral(MOXTEL_TEST_DATA_DIR "/../../docs/manual/index.html"));
        QVERIFY(index.exists());
        CHelpWindow window(index.canonicalFilePath(), {index.canonicalPath()});
        window.resize(960, 720);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(PageText(window).contains(QString::fromUtf8("目录")));
        test::SaveScreenshot(window, QStringLiteral("help-window"));
    }

    // Pictures wider than the page shrink to its width, also when the window is made narrower, so
    // the page never scrolls sideways; a small picture keeps its own size.
    void picturesFitThePageWidth() {
        const QFileInfo page(QStringLiteral(MOXTEL_TEST_DATA_DIR "/../../docs/manual/main-window.html"));
        QVERIFY(page.exists());
        CHelpWindow window(page.canonicalFilePath(), {page.canonicalPath()});
        for (const int width : {960, 520}) {
            window.resize(width, 600);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTRY_COMPARE(window.Browser()->horizontalScrollBar()->maximum(), 0);
            QVERIFY(window.Browser()->document()->idealWidth() <= window.Browser()->viewport()->width());
        }
        QImage small(40, 30, QImage::Format_RGB32);
        small.fill(Qt::blue);
        QVERIFY(small.save(m_manual.filePath("small.png")));
        WriteFile(m_manual.filePath("small.html"), "<html><body><p><img src=\"small.png\"></p></body></html>");
        window.Browser()->setSource(QUrl::fromLocalFile(m_manual.filePath("small.html")));
        QCOMPARE(ImageWidths(*window.Browser()->document()), (QList<qreal>{40.0}));
    }

    void linkBackForwardAndContents() {
        CHelpWindow window(m_manual.filePath("index.html"), {m_manual.path()});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(PageText(window).contains(QString::fromUtf8("目录")));
        auto* back = window.findChild<QToolButton*>(QStringLiteral("back"));
        auto* forward = window.findChild<QToolButton*>(QStringLiteral("forward"));
        QVERIFY(!back->isEnabled());

        // The keyboard reaches the link and follows it, as a click does.
        window.Browser()->setFocus();
        QTest::keyClick(window.Browser(), Qt::Key_Tab);
        QTest::keyClick(window.Browser(), Qt::Key_Return);
        QCOMPARE(window.Browser()->source().fileName(), QStringLiteral("templates.html"));
        QVERIFY(PageText(window).contains(QString::fromUtf8("每个模板有五个区间")));
        QVERIFY(back->isEnabled());

        back->click();
        QCOMPARE(window.Browser()->source().fileName(), QStringLiteral("index.html"));
        QVERIFY(forward->isEnabled());
        forward->click();
        QCOMPARE(window.Browser()->source().fileName(), QStringLiteral("templates.html"));
        window.findChild<QToolButton*>(QStringLiteral("home"))->click();
        QCOMPARE(window.Browser()->source().fileName(), QStringLiteral("index.html"));
    }

    void findBarFindsWrapsAndTellsWhenNothingIsFound() {
        CHelpWindow window(m_manual.filePath("templates.html"), {m_manual.path()});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The shortcut reaches only the active window (on an X display without a window manager too).
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* bar = window.findChild<QWidget*>(QStringLiteral("findBar"));
        QVERIFY(!bar->isVisible());
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());

        window.FindEdit()->setText(QString::fromUtf8("区间"));  // typed through an input method
        QTest::keyClick(window.FindEdit(), Qt::Key_Return);
        QCOMPARE(window.Browser()->textCursor().selectedText(), QString::fromUtf8("区间"));
        const int first = window.Browser()->textCursor().position();
        QVERIFY(window.FindText());
        const int second = window.Browser()->textCursor().position();
        QVERIFY(second > first);
        QVERIFY(window.FindText());  // past the last one it starts again from the top
        QCOMPARE(window.Browser()->textCursor().position(), first);
        QVERIFY(window.FindText(true));  // backward from the first wraps to the last
        QCOMPARE(window.Browser()->textCursor().position(), second);

        auto* status = window.findChild<QLabel*>(QStringLiteral("findStatus"));
        window.FindEdit()->setText(QStringLiteral("nowhere"));
        QTest::keyClick(window.FindEdit(), Qt::Key_Return);
        QVERIFY(!window.FindText());
        QCOMPARE(status->text(), QString::fromUtf8("未找到"));
    }

    void missingManualNamesThePlacesLookedIn() {
        const QStringList searched{QStringLiteral("/opt/x/share/moxtel/help"), QStringLiteral("/src/docs/manual")};
        CHelpWindow window(QString(), searched);
        const QString text = PageText(window);
        QVERIFY(text.contains(QString::fromUtf8("未找到使用手册")));
        for (const QString& folder : searched) QVERIFY2(text.contains(folder), qPrintable(text));
        QVERIFY(!window.findChild<QToolButton*>(QStringLiteral("home"))->isEnabled());
    }

  private:
    QTemporaryDir m_manual;
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
