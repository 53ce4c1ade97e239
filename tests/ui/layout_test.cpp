// Every window is complete and readable: each text fits its control, controls stay inside the
// window and do not overlap. With MOXTEL_SCREENSHOT_DIR set, the windows are also saved as PNGs.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/query/SessionState.h"
#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/LayoutCheck.h"
#include "ui/TestDatabase.h"
#include "ui/app/CAboutDlg.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/FigureEdit.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/templates/CTemplateDlg.h"

using namespace moxtel;

namespace {

int TextWidth(const QWidget* w, const QString& text) { return w->fontMetrics().horizontalAdvance(text); }

// Problems of one window's controls, as readable lines.
QStringList LayoutProblems(const QWidget& window) {
    QStringList problems;
    const QWidget* client = window.findChild<QWidget*>(QStringLiteral("client"));
    // A hidden control (the page not chosen of a window with pages) is not seen, so it overlaps nothing.
    QList<QWidget*> controls = client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    controls.removeIf([](const QWidget* c) { return c->isHidden(); });
    for (const QWidget* c : controls) {
        const QString name = c->objectName().isEmpty() ? c->metaObject()->className() : c->objectName();
        if (!client->rect().contains(c->geometry())) problems << name + QStringLiteral(" outside the window");
        if (const auto* label = qobject_cast<const QLabel*>(c); label && !label->text().isEmpty()) {
            if (label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                                  : TextWidth(label, label->text()) > label->width())
                problems << QStringLiteral("label cut: ") + label->text();
        } else if (const auto* button = qobject_cast<const QPushButton*>(c)) {
            if (TextWidth(button, button->text()) + 8 > button->width())
                problems << QStringLiteral("button cut: ") + button->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(c)) {
            if (TextWidth(group, group->title()) + 16 > group->width())
                problems << QStringLiteral("group cut: ") + group->title();
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(c); edit && edit->isReadOnly()) {
            // The text area of an edit is its width less the frame and the margins.
            const int room = edit->width() - (edit->hasFrame() ? 8 : 4);
            if (TextWidth(edit, edit->text()) > room) problems << QStringLiteral("edit cut: ") + edit->text();
            if (edit->height() < edit->fontMetrics().height() + 2) problems << QStringLiteral("edit too low: ") + name;
        } else if (const auto* list = qobject_cast<const QComboBox*>(c)) {
            for (int i = 0; i < list->count(); ++i)
                if (TextWidth(list, list->itemText(i)) + 24 > list->width())
                    problems << QStringLiteral("list cut: ") + name;
        }
        // Controls side by side must not overlap; group boxes frame others and are left out.
        if (qobject_cast<const QGroupBox*>(c)) continue;
        for (const QWidget* other : controls) {
            if (other == c || qobject_cast<const QGroupBox*>(other)) continue;
            if (c < other && c->geometry().intersects(other->geometry()))
                problems << name + QStringLiteral(" overlaps ") + other->objectName();
        }
    }
    return problems;
}

void SaveScreenshot(QWidget& window, const QString& name) {
    const QByteArray folder = qgetenv("MOXTEL_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QVERIFY(window.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png")));
}

QString SampleWorkbook() {
    const QString sample = QStringLiteral(MOXTEL_TEST_DATA_DIR "/../../samples/sample-day.xls");
    return QFileInfo(QFile::exists(sample) ? sample : QStringLiteral(MOXTEL_TEST_DATA_DIR "/worked-day.xls"))
        .canonicalFilePath();
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        std::array<IntervalChoice, 5> big{
            {{"0", "300"}, {"300", "500"}, {"500", "800"}, {"800", "1000"}, {"1000", "1000+"}}};
        QVERIFY(SaveTemplate(m_database.store, SaveMode::Insert, "大单", big).ok());
        std::array<IntervalChoice, 5> small{
            {{"0", "100"}, {"100", "200"}, {"200", "300"}, {"300", "400"}, {"400", "1000+"}}};
        QVERIFY(SaveTemplate(m_database.store, SaveMode::Insert, "小单 O'Neil", small).ok());
    }

    void mainWindowAfterRun() {
        SessionState session;
        ChildWindows children;
        const WindowContext context{session, m_services, children, m_database.store};
        CMainStatDlg window(context);
        window.show();
        window.Edit(1185)->setText(SampleWorkbook());
        window.Button(1186)->click();
        QCOMPARE(m_services.Messages(), QStringList());
        QVERIFY(window.HasResult());
        window.DropList(1114)->setCurrentIndex(0);
        window.OnTemplateSelected();
        const std::pair<int, const char*> choices[] = {
            {1123, "0"}, {1124, "300"}, {1191, "300"}, {1192, "1000"}, {1193, "1000+"}};
        for (const auto& [list, item] : choices)
            window.DropList(list)->setCurrentIndex(window.DropList(list)->findText(item));
        for (int button : {1098, 1099, 1100}) window.Button(button)->click();
        // The picture shows the file's name, not where this machine keeps it.
        window.Edit(1185)->setText(QFileInfo(SampleWorkbook()).fileName());
        QTest::qWait(50);
        // The manual's picture names the file as a user's would be, not this machine's folder.
        const QString shownPath = window.Edit(1185)->text();
        window.Edit(1185)->setText(QString::fromUtf8("~/行情/岚谷示例/20261204.xls"));
        // Each page of the area under the totals in the same room, every figure whole.
        const std::pair<int, const char*> pages[] = {{CMainStatDlg::kIntervalPage, "main-window"},
                                                     {CMainStatDlg::kClassPage, "main-window-order-classes"}};
        for (const auto& [page, picture] : pages) {
            window.PageTabs()->setCurrentIndex(page);
            QTest::qWait(20);
            SaveScreenshot(window, QString::fromLatin1(picture));
            QCOMPARE(LayoutProblems(window), QStringList());
            VERIFY_FITS_SCREEN(window);
        }
        window.Edit(1185)->setText(shownPath);
        QCOMPARE(LayoutProblems(window), QStringList());
    }

    // The largest figure a day can hold, in every figure box of the windows that show figures:
    // drawn whole (a smaller font when needed), never with its leading digits scrolled away.
    void figureBoxesHoldTheLargestFigure_data() {
        QTest::addColumn<bool>("detail");
        QTest::newRow("main window") << false;
        QTest::newRow("detail window") << true;
    }
    void figureBoxesHoldTheLargestFigure() {
        QFETCH(bool, detail);
        SessionState session;
        ChildWindows children;
        const WindowContext context{session, m_services, children, m_database.store};
        std::unique_ptr<CDialogBase> window;
        if (detail)
            window = std::make_unique<CDetailQueryDlg>(context);
        else
            window = std::make_unique<CMainStatDlg>(context);
        window->show();
        QTest::qWait(20);
        const QString largest = QString::fromUtf8("-999999999(-99999999.9万元)");
        const QList<FigureEdit*> boxes = window->findChildren<FigureEdit*>();
        QVERIFY(boxes.size() >= 36);  // the totals and the six groups of five intervals
        for (FigureEdit* box : boxes) {
            box->setText(largest);
            QVERIFY2(box->fontMetrics().horizontalAdvance(largest) <= box->width() - (box->hasFrame() ? 8 : 4),
                     qPrintable(box->objectName()));
            QVERIFY2(box->font().pointSizeF() >= 5.0, qPrintable(box->objectName()));
        }
        SaveScreenshot(*window,
                       detail ? QStringLiteral("detail-window-largest") : QStringLiteral("main-window-largest"));
        for (FigureEdit* box : boxes) {
            box->setText(QStringLiteral("0(0.0万元)"));  // a short figure again in the window's own size
            QCOMPARE(box->font().pointSizeF(), window->font().pointSizeF());
        }
    }

    void templateWindow() {
        CTemplateDlg window(m_services, m_database.store);
        window.show();
        window.Grid(1189)->ClickRow(1);
        QTest::qWait(50);
        SaveScreenshot(window, QStringLiteral("template-window"));
        QCOMPARE(LayoutProblems(window), QStringList());
        VERIFY_FITS_SCREEN(window);
    }

    void aboutBox() {
        CAboutDlg window(m_services);
        window.show();
        QTest::qWait(50);
        // Two lines, each whole within the label: the word 用户 stays on one line.
        auto* label = window.findChild<QLabel*>(QStringLiteral("disclaimer"));
        QVERIFY(label);
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        QCOMPARE(lines, (QStringList{QString::fromUtf8("免责声明：本软件仅提供对数据分析功能，"),
                                     QString::fromUtf8("不承担用户投资风险")}));
        const QFontMetrics metrics = label->fontMetrics();
        QCOMPARE(metrics.boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text()).height(),
                 metrics.boundingRect(QRect(0, 0, 1000, 1000), 0, QStringLiteral("x\ny")).height());
        SaveScreenshot(window, QStringLiteral("about-box"));
        QCOMPARE(LayoutProblems(window), QStringList());
        VERIFY_FITS_SCREEN(window);
    }

  private:
    TestDatabase m_database;
    FakeWindowServices m_services;
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
