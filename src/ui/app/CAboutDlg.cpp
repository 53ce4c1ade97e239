#include "ui/app/CAboutDlg.h"

#include <QLabel>

#include "ui/app/AppIcon.h"

namespace moxtel {

namespace {
constexpr DialogTemplate kAboutTemplate{100, "关于 岚谷", 235, 146, 9};
}  // namespace

CAboutDlg::CAboutDlg(IWindowServices& services, QWidget* parent) : CDialogBase(kAboutTemplate, services, parent) {
    setWindowIcon(AppIcon());
    QLabel* icon = AddStatic(QString(), {14, 12, 24, 20});
    icon->setPixmap(AppIcon().pixmap(icon->size().boundedTo(QSize(48, 48))));
    icon->setObjectName(QStringLiteral("128"));
    AddStatic(QString::fromUtf8("岚谷股票资金流向分析"), {48, 14, 170, 10});
    AddStatic(QString::fromUtf8("版本   1.0 版"), {48, 30, 170, 10});
    // Two lines broken after the comma: wrapping the label by width split the word 用户.
    QLabel* disclaimer = AddStatic(QString::fromUtf8("免责声明：本软件仅提供对数据分析功能，\n不承担用户投资风险"),
                                   {20, 58, 196, 36}, Qt::AlignLeft | Qt::AlignTop);
    disclaimer->setObjectName(QStringLiteral("disclaimer"));
    disclaimer->setWordWrap(true);  // a narrower font still wraps rather than cuts
    AddButton(1, QString::fromUtf8("确定"), {92, 116, 50, 16}, ButtonStyle::Default);
}

}  // namespace moxtel
