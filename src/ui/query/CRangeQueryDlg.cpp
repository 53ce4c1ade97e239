#include "ui/query/CRangeQueryDlg.h"

#include <QDate>
#include <QDateEdit>

#include "ui/app/Utf8.h"
#include "ui/query/CMSChartView.h"

namespace moxtel {

namespace {
constexpr int kExitButton = 2;  // closes the window as cancel does
QString DateFormat() { return QStringLiteral("yyyyMMdd"); }
}  // namespace

CRangeQueryDlg::CRangeQueryDlg(const DialogTemplate& dialogTemplate, const RangeQueryFrame& frame,
                               const WindowContext& context, QWidget* parent)
    : CDialogBase(dialogTemplate, context.services, parent), m_context(context), m_frame(frame) {
    SetGeometryKey(QString::fromUtf8(frame.geometryKey));
    AddStatic(Utf8("开始日期"), {7, 8, 36, 12});
    AddDatePicker(frame.startPicker, {44, 7, 78, 14});
    AddStatic(Utf8("结束日期"), {132, 8, 36, 12});
    AddDatePicker(frame.endPicker, {169, 7, 78, 14});
    AddButton(frame.actionButton, Utf8(frame.actionCaption), {260, 6, 60, 16}, ButtonStyle::Default);
    AddButton(kExitButton, Utf8("退出"), {330, 6, 60, 16});
}

bool CRangeQueryDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    const QDate today = QDate::currentDate();
    Control<QDateEdit>(m_frame.startPicker)->setDate(today.addMonths(-1));
    Control<QDateEdit>(m_frame.endPicker)->setDate(today);
    return true;
}

void CRangeQueryDlg::SetRange(const QString& from, const QString& to) {
    Control<QDateEdit>(m_frame.startPicker)->setDate(QDate::fromString(from, DateFormat()));
    Control<QDateEdit>(m_frame.endPicker)->setDate(QDate::fromString(to, DateFormat()));
}

CMSChartView* CRangeQueryDlg::ChartView() const { return Control<CMSChartView>(m_frame.chart); }

QString CRangeQueryDlg::StartDate() const {
    return Control<QDateEdit>(m_frame.startPicker)->date().toString(DateFormat());
}

QString CRangeQueryDlg::EndDate() const { return Control<QDateEdit>(m_frame.endPicker)->date().toString(DateFormat()); }

}  // namespace moxtel
