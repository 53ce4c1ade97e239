#include "ui/stats/CDayIdentityDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "core/maintenance/ClearData.h"
#include "core/stats/StoredDays.h"
#include "ui/app/CDropList.h"
#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kDayTemplate{160, "交易日期和股票", 280, 112, 9};
// Extra height of the row for the meaning of a direction column of numbers, and of the row
// offering to infer the directions of a list without them.
constexpr int kCodesRowHeight = 44;
constexpr int kInferRowHeight = 32;
constexpr int kFirstExtraRowTop = 92;

constexpr int kFileLine = 1001;
constexpr int kDatePicker = 1002;
constexpr int kStockList = 1003;
constexpr int kCodesEdit = 1004;
constexpr int kInferCheck = 1005;

constexpr const char* kMsgBadCodes = "方向代码“%1”无效，应为三个不同的整数，依次是买入、卖出、中性，例如 0,1,2。";

constexpr const char* kMsgCodesMissing = "方向代码“%1”没有说明文件中的每一个代码(%2)，请依次填写买入、卖出、中性的代码。";

constexpr const char* kDateFormat = "yyyyMMdd";     // the stored form
constexpr const char* kShownFormat = "yyyy-MM-dd";  // dates are shown with dashes

constexpr const char* kMsgInferUnchecked =
    "这个文件没有买卖方向(性质)列，分不出流入和流出：请勾选“按成交价涨跌推断方向”，或取消后导出带 性质 列的逐笔成交。";

constexpr const char* kMsgNoStock = "请填写股票：名称(代码)，例如 平安银行(000001)；或只填六位代码。";

// A stock without a known name is offered as "(code)", the name left for the user to type before it.
QString PrefilledStock(const QString& stock) {
    static const QRegularExpression codeAsName(QStringLiteral("^([0-9]{6})\\(\\1\\)$"));
    const QRegularExpressionMatch match = codeAsName.match(stock);
    return match.hasMatch() ? QLatin1Char('(') + match.captured(1) + QLatin1Char(')') : stock;
}

// "(600000)" left without a name is the bare code, which the stored name (or the code) completes.
std::string CodeOfNamelessStock(const QString& typed) {
    static const QRegularExpression nameless(QStringLiteral("^\\s*[(（]\\s*([0-9]{6})\\s*[)）]\\s*$"));
    const QRegularExpressionMatch match = nameless.match(typed);
    return (match.hasMatch() ? match.captured(1) : typed).toStdString();
}

// The window's template: taller by the rows guess needs.
DialogTemplate TemplateFor(const DayIdentity& guess) {
    DialogTemplate shape = kDayTemplate;
    if (!guess.codesToExplain.empty()) shape.height += kCodesRowHeight;
    if (guess.directionMissing) shape.height += kInferRowHeight;
    return shape;
}

}  // namespace

CDayIdentityDlg::CDayIdentityDlg(IWindowServices& services, const QString& fileName, const DayIdentity& guess,
                                 const StoreContext& store, QWidget* parent)
    : CDialogBase(TemplateFor(guess), services, parent), m_identity(guess), m_store(store) {
    AddStatic(Utf8("这个成交明细表没有标明日期和股票，请指定："), {10, 8, 260, 12});
    AddStatic(Utf8("数据文件"), {10, 24, 44, 12});
    AddEdit(kFileLine, {58, 23, 212, 13}, EditStyle::Normal)->setReadOnly(true);
    Edit(kFileLine)->setText(fileName);
    AddStatic(Utf8("交易日期"), {10, 42, 44, 12});
    AddDatePicker(kDatePicker, {58, 41, 212, 14});
    AddStatic(Utf8("股票"), {10, 60, 44, 12});
    AddDropList(kStockList, {58, 59, 212, 14})->setEditable(true);
    AddStatic(Utf8("名称(代码)，例如 平安银行(000001)"), {58, 75, 212, 10});
    int top = kFirstExtraRowTop;
    if (!guess.codesToExplain.empty()) {
        AddCodesRow(guess, top);
        top += kCodesRowHeight;
    }
    if (guess.directionMissing) {
        AddInferRow(guess, top);
        top += kInferRowHeight;
    }
    const int buttonsTop = top - 1;
    AddButton(1, Utf8("确定"), {80, buttonsTop, 54, 16}, ButtonStyle::Default);
    AddButton(2, Utf8("取消"), {146, buttonsTop, 54, 16});
}

// The direction column holds numbers whose meaning is open: the codes found, and an edit for
// "买入,卖出,中性" in that order.
void CDayIdentityDlg::AddCodesRow(const DayIdentity& guess, int top) {
    QStringList found;
    for (const std::string& code : guess.codesToExplain) found << QString::fromStdString(code);
    AddStatic(Utf8("方向列是数字(%1)，请依次填写买入、卖出、中性的代码：").arg(found.join(Utf8("、"))),
              {10, top, 260, 12});
    AddStatic(Utf8("方向代码"), {10, top + 15, 44, 12});
    AddEdit(kCodesEdit, {58, top + 14, 212, 13}, EditStyle::Normal);
    const DirectionCodes& codes = guess.directionCodes;
    Edit(kCodesEdit)->setText(QString::fromStdString(codes.buy + "," + codes.sell + "," + codes.neutral));
    AddStatic(Utf8("例如 0,1,2 表示 0 为买入、1 为卖出、2 为中性"), {58, top + 30, 212, 10});
}

// A list without a direction column: the tick rule, on request only, since it guesses.
void CDayIdentityDlg::AddInferRow(const DayIdentity& guess, int top) {
    AddStatic(Utf8("文件中没有买卖方向(性质)列。"), {10, top, 260, 12});
    AddCheck(kInferCheck, Utf8("按成交价涨跌推断方向(高于前一笔为买，低于为卖，持平同前一笔)"), {10, top + 14, 260, 12})
        ->setChecked(guess.inferDirection);
}

bool CDayIdentityDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    auto* picker = Control<QDateEdit>(kDatePicker);
    picker->setDisplayFormat(QString::fromLatin1(kShownFormat));
    const QDate guessed =
        QDate::fromString(QString::fromStdString(m_identity.tradeDate), QString::fromLatin1(kDateFormat));
    picker->setDate(guessed.isValid() ? guessed : QDate::currentDate());

    CDropList* stocks = DropList(kStockList);
    for (const std::string& stock : LoadStockCodes(m_store)) stocks->AddString(QString::fromStdString(stock));
    // A table of several stocks offers its own codes first, in its order: one of them is to be chosen.
    for (std::size_t i = 0; i < m_identity.tableCodes.size(); ++i) {
        const std::string& code = m_identity.tableCodes[i];
        const std::string stored = StoredDays(m_store).StockText(code);
        stocks->insertItem(static_cast<int>(i),
                           QString::fromStdString(stored.empty() ? code + "(" + code + ")" : stored));
    }
    stocks->setCurrentText(PrefilledStock(QString::fromStdString(m_identity.stock)));
    stocks->lineEdit()->setCursorPosition(0);  // where a missing name is typed
    return true;
}

void CDayIdentityDlg::OnOK() {
    const std::string date =
        Control<QDateEdit>(kDatePicker)->date().toString(QString::fromLatin1(kDateFormat)).toStdString();
    const QString typed = DropList(kStockList)->currentText();
    if (typed.trimmed().isEmpty()) {
        MessageBox(Utf8(kMsgNoStock));
        return;
    }
    const std::optional<std::string> stock =
        NormalisedStock(CodeOfNamelessStock(typed), StoredDays(m_store).StockTextHook());
    if (!stock) {
        MessageBox(QString::fromUtf8(kMsgBadStock).replace(QStringLiteral("%s"), typed));
        return;
    }
    DirectionCodes codes = m_identity.directionCodes;
    if (!m_identity.codesToExplain.empty()) {
        const QString typedCodes = Edit(kCodesEdit)->text();
        const std::optional<DirectionCodes> parsed = ParseDirectionCodes(typedCodes.toStdString());
        if (!parsed) {
            MessageBox(Utf8(kMsgBadCodes).arg(typedCodes));
            return;
        }
        if (!CodesExplain(m_identity.codesToExplain, *parsed)) {
            QStringList found;
            for (const std::string& code : m_identity.codesToExplain) found << QString::fromStdString(code);
            MessageBox(Utf8(kMsgCodesMissing).arg(typedCodes, found.join(Utf8("、"))));
            return;
        }
        codes = *parsed;
    }
    const bool infer = m_identity.directionMissing && Control<QCheckBox>(kInferCheck)->isChecked();
    if (m_identity.directionMissing && !infer) {
        MessageBox(Utf8(kMsgInferUnchecked));
        return;
    }
    m_identity.tradeDate = date;
    m_identity.stock = *stock;
    m_identity.directionCodes = codes;
    m_identity.inferDirection = infer;
    EndDialog(1);
}

DayOverrides DesktopDayOverrides(IWindowServices& services, QWidget* owner, const QString& path,
                                 const StoreContext& store) {
    DayOverrides overrides;
    overrides.storedStockOf = StoredDays(store).StockTextHook();
    overrides.confirm = [&services, owner, path, &store](const DayIdentity& guess) -> std::optional<DayIdentity> {
        CDayIdentityDlg dialog(services, QFileInfo(path).fileName(), guess, store, owner);
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));  // the run's busy cursor waits meanwhile
        const int result = services.RunChild(dialog);
        QApplication::restoreOverrideCursor();
        if (result != 1) return std::nullopt;
        return dialog.Identity();
    };
    return overrides;
}

}  // namespace moxtel
