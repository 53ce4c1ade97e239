#include "maintenance/CClearDataDlg.h"

#include <QDateEdit>

#include "app/CDropList.h"
#include "app/WindowServices.h"
#include "maintenance/ClearData.h"
#include "query/DatePickerFormats.h"
#include "app/Utf8.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kClearTemplate{141, "清除过期数据", 200, 90, 9};

constexpr int kDatePicker = 1099;
constexpr int kStockList = 1114;
constexpr int kDeleteButton = 1098;


}  // namespace

CClearDataDlg::CClearDataDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kClearTemplate, context.services, parent) {
    AddStatic(Utf8("日期选择"), {12, 13, 38, 12});
    AddDatePicker(kDatePicker, {52, 12, 136, 14});
    AddStatic(Utf8("选择股票"), {12, 35, 38, 12});
    AddDropList(kStockList, {52, 34, 136, 14});
    AddButton(kDeleteButton, Utf8("删除"), {40, 64, 54, 16});
    AddButton(1, Utf8("退出"), {106, 64, 54, 16});
    OnCommand(kDeleteButton, [this] { OnDelete(); });
}

bool CClearDataDlg::OnInitDialog() {
    FillStockList();
    return true;
}

void CClearDataDlg::FillStockList() {
    CDropList* list = DropList(kStockList);
    for (const std::string& code : LoadStockCodes()) list->AddString(QString::fromStdString(code));
    list->setCurrentIndex(-1);
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
    if (!Services().Ask(this, Utf8(kMsgConfirmClear))) return;

    const Result<int> cleared = ClearStoredDays(code.toStdString(), date.toStdString());
    SetPickerFormat(kPickerDashedFormat);
    if (!cleared) {
        // Nothing was deleted: say why (a database failure has already been shown), not "done".
        if (!cleared.error().message.empty()) MessageBox(QString::fromStdString(cleared.error().message));
        return;
    }
    MessageBox(Utf8(kMsgClearDone));
}

void CClearDataDlg::SetPickerFormat(const char* format) {
    Control<QDateEdit>(kDatePicker)->setDisplayFormat(Utf8(format));
}

}  // namespace moxtel
