// The template settings window: add, update, delete and the grid click, with every message.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "core/templates/TemplateStore.h"
#include "ui/FakeWindowServices.h"
#include "ui/TestDatabase.h"
#include "ui/app/CDropList.h"
#include "ui/app/UserSettings.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/templates/CTemplateDlg.h"

using namespace moxtel;

namespace {

constexpr int kFrom[5] = {1123, 1125, 1117, 1119, 1121};
constexpr int kTo[5] = {1124, 1116, 1118, 1120, 1122};

struct TemplateWindow {
    FakeWindowServices services;
    CTemplateDlg window;

    explicit TemplateWindow(const StoreContext& store) : window(services, store) { window.show(); }

    CMSFlexGrid& Grid() { return window.Grid(1189)->Grid(); }
    QString Cell(int row, int col) { return QString::fromStdString(Grid().TextAt(row, col)); }
    QStringList Row(int row) {
        QStringList cells;
        for (int col = 0; col < 6; ++col) cells << Cell(row, col);
        return cells;
    }
    void SetName(const QString& name) { window.Edit(1000)->setText(name); }
    // Chooses the interval's items; an empty text leaves its list without a choice.
    void SetInterval(int n, const QString& from, const QString& to) {
        CDropList* fromList = window.DropList(kFrom[n - 1]);
        CDropList* toList = window.DropList(kTo[n - 1]);
        fromList->setCurrentIndex(fromList->findText(from));
        toList->setCurrentIndex(toList->findText(to));
    }
    QString Chosen(int listId) { return window.DropList(listId)->currentText(); }
    void Press(int id) { window.Button(id)->click(); }
};

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QStringList Items(const CDropList* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

}  // namespace

class TemplateWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_database = std::make_unique<TestDatabase>(); }
    void cleanup() { m_database.reset(); }

    void orderClassConventionIsRememberedForTheNextRun() {
        {
            TemplateWindow t(m_database->store);
            CDropList* list = t.window.DropList(1190);
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->currentIndex(), static_cast<int>(ChosenOrderConvention()));
            list->setCurrentIndex(1);
            emit list->activated(1);
            QCOMPARE(ChosenOrderConvention(), OrderClassConvention::AmountOnly);
        }
        TemplateWindow again(m_database->store);
        QCOMPARE(again.window.DropList(1190)->currentIndex(), 1);
        ChooseOrderConvention(OrderClassConvention::SharesOrAmount);
        QCOMPARE(ChosenOrderConvention(), OrderClassConvention::SharesOrAmount);
    }

    void opensWithHeadersOnly() {
        TemplateWindow t(m_database->store);
        QCOMPARE(t.window.windowTitle(), Text("自定义设置"));
        QCOMPARE(t.Row(0), (QStringList{Text("模板名称"), Text("区间一"), Text("区间二"), Text("区间三"),
                                        Text("区间四"), Text("区间五")}));
        QCOMPARE(t.Grid().Rows(), 2);
        QCOMPARE(t.Grid().ColWidth(0), 1800);
        QCOMPARE(t.Grid().ColWidth(5), 1300);
        for (int n = 0; n < 5; ++n) {
            QCOMPARE(Items(t.window.DropList(kFrom[n])),
                     (QStringList{"0", "100", "1000", "200", "300", "400", "500", "600", "700", "800", "900"}));
            QCOMPARE(Items(t.window.DropList(kTo[n])),
                     (QStringList{"100", "1000", "1000+", "200", "300", "400", "500", "600", "700", "800", "900"}));
        }
        QCOMPARE(t.window.DropList(1123)->currentIndex(), -1);
        QVERIFY(t.window.Button(1)->isDefault());
    }

    void addUpdateDeleteLifecycle() {
        TemplateWindow t(m_database->store);
        t.SetName(Text("大单"));
        t.SetInterval(1, "0", "300");
        t.SetInterval(2, "300", "500");
        t.SetInterval(3, "500", "800");
        t.SetInterval(4, "800", "1000");
        t.SetInterval(5, "1000", "1000+");
        QTest::keyClick(t.window.Edit(1000), Qt::Key_Return);  // Enter adds and the window stays open
        QVERIFY(t.window.isVisible());
        QCOMPARE(t.services.Messages(), QStringList());
        QCOMPARE(t.Row(1), (QStringList{Text("大单"), "0-300", "300-500", "500-800", "800-1000", "1000-1000+"}));
        QCOMPARE(t.Grid().Rows(), 3);

        t.Press(1);
        QCOMPARE(t.services.Messages(), QStringList{Text("该模板已存在，请更换模板名称或点击修改!")});

        t.SetInterval(1, "100", "300");
        t.Press(1099);
        QCOMPARE(t.Cell(1, 1), QStringLiteral("100-300"));
        QCOMPARE(LoadTemplates(m_database->store).at(0).codes[0], std::string("1-3"));

        t.SetName(Text("小单"));
        t.Press(1099);
        QCOMPARE(t.services.Messages().last(), Text("该模板不存在，请更换模板名称或点击添加!"));

        t.SetName(Text("大单"));
        t.Press(1098);
        QCOMPARE(t.Row(1), QStringList(6, QString()));
        QCOMPARE(t.Grid().Rows(), 3);  // the rows stay, emptied
        QVERIFY(LoadTemplates(m_database->store).empty());
        t.Press(1098);  // deleting a missing name says nothing
        QCOMPARE(t.services.shown.size(), std::size_t{2});
    }

    void emptyNameIsRefusedByEveryCommand() {
        TemplateWindow t(m_database->store);
        for (int id : {1, 1099, 1098}) t.Press(id);
        QCOMPARE(t.services.Messages(), QStringList(3, Text("请填写模板名称!")));
        QVERIFY(LoadTemplates(m_database->store).empty());
    }

    void firstInvalidIntervalIsReported() {
        TemplateWindow t(m_database->store);
        t.SetName(QStringLiteral("bad"));
        t.SetInterval(1, "500", "300");
        t.SetInterval(3, "900", "100");
        t.Press(1);
        t.SetInterval(1, "0", "300");
        t.SetInterval(3, "500", "");  // a from-item without a to-item
        t.Press(1);
        QCOMPARE(t.services.Messages(),
                 (QStringList{Text("第一区间开始数值不能大于结束数值!"), Text("第三区间开始数值不能大于结束数值!")}));
        QVERIFY(LoadTemplates(m_database->store).empty());
    }

    void gridReloadsOnlyPastTheNameCheck() {
        TemplateWindow t(m_database->store);
        const std::array<IntervalChoice, 5> none{};
        // Stored behind the window's back: only a reload of the grid shows it.
        QVERIFY(SaveTemplate(m_database->store, SaveMode::Insert, "elsewhere", none).ok());
        t.Press(1);  // empty name: refused before the grid is read again
        QCOMPARE(t.Cell(1, 0), QString());
        t.SetName(QStringLiteral("bad"));
        t.SetInterval(2, "500", "");
        t.Press(1099);  // refused for its interval, yet the grid is read again
        QCOMPARE(t.services.Messages(),
                 (QStringList{Text("请填写模板名称!"), Text("第二区间开始数值不能大于结束数值!")}));
        QCOMPARE(t.Cell(1, 0), QStringLiteral("elsewhere"));
        QCOMPARE(t.window.Edit(1000)->text(), QStringLiteral("bad"));  // the inputs stay as typed
        QCOMPARE(t.Chosen(1125), QStringLiteral("500"));
    }

    void noChoicesStoreEmptyIntervals() {
        TemplateWindow t(m_database->store);
        t.SetName(QStringLiteral("empty"));
        t.SetInterval(2, "300", "300");
        t.Press(1);
        QCOMPARE(t.Row(1), (QStringList{"empty", "0-0", "300-300", "0-0", "0-0", "0-0"}));
    }

    void clickLoadsARowBack() {
        TemplateWindow t(m_database->store);
        t.SetName(QStringLiteral("O'Neil 的 \"模板\""));
        t.SetInterval(1, "100", "1000+");
        t.SetInterval(5, "1000", "1000+");
        t.Press(1);
        t.SetName(QString());
        t.SetInterval(1, "", "");
        t.SetInterval(5, "", "");

        t.window.Grid(1189)->ClickRow(1);
        QCOMPARE(t.window.Edit(1000)->text(), QStringLiteral("O'Neil 的 \"模板\""));
        QCOMPARE(t.Chosen(1123), QStringLiteral("100"));
        QCOMPARE(t.Chosen(1124), QStringLiteral("1000+"));
        QCOMPARE(t.Chosen(1121), QStringLiteral("1000"));
        QCOMPARE(t.Chosen(1125), QStringLiteral("0"));  // stored 0-0 comes back as 0 and 100
        QCOMPARE(t.Chosen(1116), QStringLiteral("100"));

        t.Press(1099);  // update without changes: only the 0-0 intervals change
        QCOMPARE(t.services.Messages(), QStringList());
        QCOMPARE(t.Row(1).mid(1), (QStringList{"100-1000+", "0-100", "0-100", "0-100", "1000-1000+"}));

        t.window.Grid(1189)->ClickRow(2);  // the empty row after the last template
        QCOMPARE(t.window.Edit(1000)->text(), QString());
        for (int n = 0; n < 5; ++n) {
            QCOMPARE(t.Chosen(kFrom[n]), QStringLiteral("0"));
            QCOMPARE(t.Chosen(kTo[n]), QStringLiteral("100"));
        }
    }

    void escapeClosesWithoutWriting() {
        TemplateWindow t(m_database->store);
        t.SetName(QStringLiteral("never"));
        QTest::keyClick(t.window.Edit(1000), Qt::Key_Escape);
        QCOMPARE(t.window.result(), 2);
        QVERIFY(LoadTemplates(m_database->store).empty());
    }

  private:
    std::unique_ptr<TestDatabase> m_database;
};

QTEST_MAIN(TemplateWindowTest)
#include "template_window_test.moc"
