#include "ui/maintenance/CClearDataDlg.h"

#include <QDateEdit>
#include <QLabel>

#include "core/maintenance/ClearData.h"
#include "ui/app/CDropList.h"
#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"
#include "ui/query/DatePickerFormats.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kClearTemplate{141, "清除过期数据", 200, 104, 9};

constexpr int kDatePicker = 1099;
constexpr int kStockList = 1114;
constexpr int kDeleteButton = 1098;
constexpr int kWhatLine = 1200;  // what 删除 would delete


}  // namespace

CClearDataDlg::CClearDataDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kClearTemplate, context.services, parent), m_store(context.store) {
    AddStatic(Utf8("日期选择"), {12, 13, 38, 12});
    AddDatePicker(kDatePicker, {52, 12, 136, 14});
    AddStatic(Utf8("选择股票"), {12, 35, 38, 12});
    AddDropList(kStockList, {52, 34, 136, 14});
    QLabel* what = AddStatic(QString(), {12, 52, 176, 22});
    what->setObjectName(QString::number(kWhatLine));
    what->setWordWrap(true);  // a long stock name takes a second line
    AddButton(kDeleteButton, Utf8("删除"), {40, 78, 54, 16});
    AddButton(1, Utf8("退出"), {106, 78, 54, 16});
    OnCommand(kDeleteButton, [this] { OnDelete(); });
    connect(DropList(kStockList), &QComboBox::currentIndexChanged, this, [this] { ShowWhatIsCleared(); });
    connect(Control<QDateEdit>(kDatePicker), &QDateEdit::dateChanged, this, [this] { ShowWhatIsCleared(); });
}

bool CClearDataDlg::OnInitDialog() {
    FillStockList();
    return true;
}

void CClearDataDlg::FillStockList() {
    CDropList* list = DropList(kStockList);
    for (const std::string& code : LoadStockCodes(m_store)) list->AddString(QString::fromStdString(code));
    list->setCurrentIndex(-1);
    ShowWhatIsCleared();
}

QString CClearDataDlg::WhatIsCleared() const {
    const CDropList* list = DropList(kStockList);
    if (list->currentIndex() < 0) return {};
    const QDate date = Control<QDateEdit>(kDatePicker)->date();
    const int days = CountDaysToClear(m_store, list->currentText().toStdString(),
                                      date.toString(QStringLiteral("yyyyMMdd")).toStdString());
    return Utf8("将删除 %1 截至 %2 保存的 %3 天数据")
        .arg(list->currentText(), date.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(days);
}

void CClearDataDlg::ShowWhatIsCleared() {
    // The shown line breaks after the stock, so that "截至 … 保存的 … 天数据" stays whole on its own line.
    if (auto* line = Control<QLabel>(kWhatLine))
        line->setText(WhatIsCleared().replace(Utf8(" 截至 "), Utf8("\n截至 ")));
}

void CClearDataDlg::OnDelete() {
    const CDropList* list = DropList(kStockList);
    const QString code = list->currentIndex() < 0 ? QString() : list->currentText();
    if (code.isEmpty()) {
        MessageBox(Utf8(kMsgNoStockChosen));
        return;
    }
    SetPickerFormat(kPickerDigitsFormat);
    const QString date = Control<QDateEdit>(kDatePicker)->text();
    if (date.isEmpty()) {
        MessageBox(Utf8(kMsgNoDateChosen));
        return;
    }
    if (!Services().AskWithDetail(this, Utf8(kMsgConfirmClear), WhatIsCleared())) return;

    const Result<int> cleared = ClearStoredDays(m_store, code.toStdString(), date.toStdString());
    SetPickerFormat(kPickerDashedFormat);
    if (!cleared) {
        // Nothing was deleted: say why (a database failure has already been shown), not "done".
        if (!cleared.error().Shown()) MessageBox(QString::fromStdString(cleared.error().message));
        return;
    }
    Services().ShowAppMessage(this, Utf8(kMsgClearDone), MessageIcon::Information);
    ShowWhatIsCleared();
}

void CClearDataDlg::SetPickerFormat(const char* format) {
    Control<QDateEdit>(kDatePicker)->setDisplayFormat(Utf8(format));
}

}  // namespace moxtel
