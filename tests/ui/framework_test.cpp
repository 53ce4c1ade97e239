// The window framework: member/control exchange, OK/cancel/default-button keys, the file filter,
// sorted drop-down lists, child windows and the grid control.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/CDropList.h"
#include "ui/app/ChildWindows.h"
#include "ui/app/DataExchange.h"
#include "ui/query/CMSFlexGridView.h"

using namespace moxtel;

// A window with one control of each kind; button 1003 is the default button when asked for.
class SampleDlg : public CDialogBase {
    Q_OBJECT
  public:
    SampleDlg(IWindowServices& services, bool withDefault)
        : CDialogBase(DialogTemplate{500, "样例", 200, 100, 9}, services) {
        AddEdit(1000, {5, 5, 80, 14});
        AddDropList(1001, {5, 25, 60, 14}, {"300", "1000", "100", "1000+"});
        AddCheck(1002, QStringLiteral("check"), {5, 45, 60, 14});
        AddButton(1, QStringLiteral("OK"), {100, 80, 40, 14});
        AddButton(2, QStringLiteral("Cancel"), {150, 80, 40, 14});
        if (withDefault) {
            AddButton(1003, QStringLiteral("Run"), {100, 60, 40, 14}, ButtonStyle::Default);
            OnCommand(1003, [this] { ++runs; });
        }
    }
    QString text = QStringLiteral("start");
    int selection = 2;
    int check = 1;
    int runs = 0;

  protected:
    void DoDataExchange(DataExchange& dx) override {
        dx.Text(1000, text);
        dx.Selection(1001, selection);
        dx.Check(1002, check);
    }
};

class FrameworkTest : public QObject {
    Q_OBJECT

  private slots:
    void exchangeLoadsAndSaves() {
        SampleDlg dlg(m_services, false);
        QVERIFY(dlg.Initialize());
        QCOMPARE(dlg.Edit(1000)->text(), QStringLiteral("start"));
        QCOMPARE(dlg.DropList(1001)->currentText(), QStringLiteral("1000+"));
        QVERIFY(dlg.Control<QCheckBox>(1002)->isChecked());

        dlg.Edit(1000)->setText(QStringLiteral("typed 文字"));
        dlg.DropList(1001)->setCurrentIndex(-1);
        dlg.Control<QCheckBox>(1002)->setChecked(false);
        dlg.UpdateData(true);
        QCOMPARE(dlg.text, QStringLiteral("typed 文字"));
        QCOMPARE(dlg.selection, -1);
        QCOMPARE(dlg.check, 0);

        dlg.selection = 99;  // out of range loads as no choice
        dlg.UpdateData(false);
        QCOMPARE(dlg.DropList(1001)->currentIndex(), -1);
    }

    void sortedListKeepsTextOrderAndNoChoice() {
        CDropList list(true);
        for (const char* item : {"200", "0", "1000+", "100", "1000"}) list.AddString(QString::fromUtf8(item));
        QStringList items;
        for (int i = 0; i < list.count(); ++i) items << list.itemText(i);
        QCOMPARE(items, (QStringList{"0", "100", "1000", "1000+", "200"}));
        QCOMPARE(list.currentIndex(), -1);
        list.setCurrentIndex(1);
        QCOMPARE(list.AddString(QStringLiteral("00")), 1);
        QCOMPARE(list.currentText(), QStringLiteral("100"));  // the choice follows its item
    }

    void okSavesAndCancelDoesNot() {
        SampleDlg ok(m_services, false);
        ok.show();
        ok.Edit(1000)->setText(QStringLiteral("kept"));
        ok.Button(1)->click();
        QCOMPARE(ok.result(), 1);
        QCOMPARE(ok.text, QStringLiteral("kept"));

        SampleDlg cancel(m_services, false);
        cancel.show();
        cancel.Edit(1000)->setText(QStringLiteral("dropped"));
        cancel.Button(2)->click();
        QCOMPARE(cancel.result(), 2);
        QCOMPARE(cancel.text, QStringLiteral("start"));
        QVERIFY(!cancel.isVisible());
    }

    void keysEndTheWindow() {
        SampleDlg enter(m_services, false);
        enter.show();
        QTest::keyClick(enter.Edit(1000), Qt::Key_Return);  // no default button: OK
        QCOMPARE(enter.result(), 1);

        SampleDlg escape(m_services, false);
        escape.show();
        QTest::keyClick(escape.Edit(1000), Qt::Key_Escape);
        QCOMPARE(escape.result(), 2);

        SampleDlg closed(m_services, false);
        closed.show();
        QVERIFY(closed.close());
        QCOMPARE(closed.result(), 2);
    }

    void enterPressesTheDefaultButton() {
        SampleDlg dlg(m_services, true);
        dlg.show();
        QTest::keyClick(dlg.Edit(1000), Qt::Key_Return);
        QTest::keyClick(dlg.DropList(1001), Qt::Key_Enter);
        QCOMPARE(dlg.runs, 2);
        QVERIFY(dlg.isVisible());
    }

    void fileFilterInQtForm_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("workbooks") << "Excel files (*.xls *.xlsx)|*.xls;*.xlsx|All Files (*.*)|*.*||"
                                   << "Excel files (*.xls *.xlsx);;All Files (*)";
        QTest::newRow("description without patterns") << "Text|*.txt||"
                                                      << "Text (*.txt)";
        QTest::newRow("no closing bars") << "Old (*.xls)|*.xls"
                                         << "Old (*.xls)";
        QTest::newRow("dangling description") << "A|*.a|B"
                                              << "A (*.a)";
    }
    void fileFilterInQtForm() {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(ToQtFileFilter(filter), expected);
    }

    // The real save dialog: a name typed without a suffix takes the chosen type's, also when the
    // user picks the second type, and an existing file of that name is asked about first.
    void saveDialogGivesTheChosenTypesSuffix_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first type") << 0 << "chart.png";
        QTest::newRow("second type") << 1 << "chart.svg";
    }
    void saveDialogGivesTheChosenTypesSuffix() {
        QFETCH(int, type);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QtWindowServices services;
        QTimer::singleShot(0, [type] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            if (types) {
                types->setCurrentIndex(type);
                emit types->textActivated(types->currentText());  // as a user's choice does
            }
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(QStringLiteral("chart"));
            }
            QMetaObject::invokeMethod(dialog, "accept");  // as the Save button does
        });
        const std::optional<QString> path = services.ChooseSaveFile(
            nullptr, QString::fromUtf8("PNG 图片 (*.png)|*.png|SVG 图片 (*.svg)|*.svg||"), dir.path() + "/x.png");
        QVERIFY(path);
        QCOMPARE(*path, dir.path() + "/" + expected);
    }

    void desktopMessageBoxes() {
        QCoreApplication::setApplicationName(QStringLiteral("moxtel"));
        QtWindowServices services;
        QStringList seen;
        // Answers the next message box with the given button, noting its caption, icon and buttons.
        const auto answer = [&seen](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, [&seen, button] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                seen << QStringLiteral("%1 %2 %3 %4")
                            .arg(box->windowTitle(), box->text())
                            .arg(box->icon())
                            .arg(box->standardButtons());
                box->button(button)->click();
            });
        };
        answer(QMessageBox::Ok);
        services.ShowMessage(nullptr, QStringLiteral("m"));
        answer(QMessageBox::Ok);
        services.ShowAppMessage(nullptr, QStringLiteral("a"), MessageIcon::Stop);
        answer(QMessageBox::Yes);
        QVERIFY(services.Ask(nullptr, QStringLiteral("q")));
        answer(QMessageBox::No);
        QVERIFY(!services.Ask(nullptr, QStringLiteral("q")));
        const auto line = [](const char* caption, const char* text, QMessageBox::Icon icon,
                             QMessageBox::StandardButtons b) {
            return QStringLiteral("%1 %2 %3 %4")
                .arg(QString::fromUtf8(caption), QString::fromUtf8(text))
                .arg(icon)
                .arg(b);
        };
        const auto yesNo = QMessageBox::Yes | QMessageBox::No;
        QCOMPARE(seen, (QStringList{line("提示", "m", QMessageBox::Warning, QMessageBox::Ok),
                                    line("moxtel", "a", QMessageBox::Critical, QMessageBox::Ok),
                                    line("提示", "q", QMessageBox::Question, yesNo),
                                    line("提示", "q", QMessageBox::Question, yesNo)}));
        QVERIFY(!services.OpenDocument(QStringLiteral("/no/such/moxtel.chm")));  // nothing shown
    }

    void messageBoxShowsTheArrowDuringARun() {
        QtWindowServices services;
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));  // a run under the busy cursor
        Qt::CursorShape overBox = Qt::WaitCursor;
        QTimer::singleShot(0, [&overBox] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            overBox = QApplication::overrideCursor()->shape();
            box->button(QMessageBox::Ok)->click();
        });
        services.ShowMessage(nullptr, QStringLiteral("m"));
        QCOMPARE(overBox, Qt::ArrowCursor);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);  // the run goes on busy
        QApplication::restoreOverrideCursor();
        QVERIFY(!QApplication::overrideCursor());
    }

    void childWindowsOpenOnlyWhatIsRegistered() {
        SessionState session;
        ChildWindows children;
        StoreContext store;  // no window opens, so nothing reads it
        const WindowContext context{session, m_services, children, store};
        m_services.children.clear();
        QCOMPARE(children.Open(kHistoryQueryDlg, context), 0);
        QVERIFY(m_services.children.isEmpty());

        children.Register(kHistoryQueryDlg,
                          [](const WindowContext& c) { return std::make_unique<SampleDlg>(c.services, false); });
        m_services.onChild = [](QDialog& child) {
            child.show();
            static_cast<SampleDlg&>(child).Button(1)->click();
            return child.result();
        };
        QCOMPARE(children.Open(kHistoryQueryDlg, context), 1);
        QCOMPARE(m_services.children, QStringList{QStringLiteral("SampleDlg")});
        m_services.onChild = nullptr;
    }

    void gridFollowsItsModel() {
        CMSFlexGridView view;
        CMSFlexGrid& grid = view.Grid();
        grid.SetCols(4);
        grid.SetColWidth(0, 1440);
        grid.SetColWidth(3, 0);
        for (int row = 1; row <= 3; ++row) {
            grid.SetRows(row + 2);
            grid.SetRow(row);
            grid.SetCol(3);
            grid.SetText("hidden " + std::to_string(row));
            grid.SetCol(1);
            grid.SetText("cell " + std::to_string(row));
            grid.SetCellForeColor(kColorRed);
        }
        grid.SetRow(0);
        grid.SetCol(2);
        grid.SetText("头");
        QAbstractItemModel* model = view.model();
        QCOMPARE(model->rowCount(), 4);  // three rows and the empty one after them
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("头"));
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("cell 3"));
        QCOMPARE(model->index(2, 0).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QVERIFY(view.isColumnHidden(2));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("hidden 1"));
        QCOMPARE(view.verticalHeader()->width(), view.TwipsToPixels(1440));
        QCOMPARE(view.TwipsToPixels(1440), view.logicalDpiX());

        grid.Clear();
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(model->index(2, 0).data().toString(), QString());
        grid.SetRows(2);
        QCOMPARE(model->rowCount(), 1);
    }

    // A column set narrower than its widest figure is widened to it: a figure is never shown cut.
    void gridColumnHoldsItsWidestText() {
        CMSFlexGridView view;
        CMSFlexGrid& grid = view.Grid();
        grid.SetCols(3);
        grid.SetRows(3);
        grid.SetColWidth(1, 200);
        grid.SetColWidth(2, 1440);
        const std::string wide = "-12345678(-1234567.8万元)";
        grid.SetRow(1);
        grid.SetCol(1);
        grid.SetText(wide);
        view.resize(900, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.columnWidth(0) >= view.fontMetrics().horizontalAdvance(QString::fromStdString(wide)));
        QCOMPARE(view.columnWidth(1), view.TwipsToPixels(1440));  // a column whose texts fit keeps its width
    }

    void gridClicksSetRowSel() {
        CMSFlexGridView view;
        view.Grid().SetRows(5);
        view.Grid().SetCols(3);
        view.resize(400, 300);
        view.show();
        QSignalSpy clicks(&view, &CMSFlexGridView::Click);
        QSignalSpy doubleClicks(&view, &CMSFlexGridView::DblClick);
        const QRect cell = view.visualRect(view.model()->index(2, 1));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(view.Grid().RowSel(), 3);
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        const QPoint first = view.visualRect(view.model()->index(0, 0)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(view.Grid().RowSel(), 1);
    }

  private:
    FakeWindowServices m_services;
};

QTEST_MAIN(FrameworkTest)
#include "framework_test.moc"
