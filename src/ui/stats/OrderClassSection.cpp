#include "ui/stats/OrderClassSection.h"

#include "core/stats/FlowFigure.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/DataExchange.h"
#include "ui/stats/ResultPanel.h"

namespace moxtel {
namespace {

constexpr std::array<const char*, OrderClassSection::kColumns> kCaptions{"流入[ 手（万元）]", "流出[ 手（万元）]",
                                                                         "净额[ 手（万元）]", "净占比"};
constexpr const char* kNoFigure = "—";
constexpr const char* kMsgNoClasses = "此日保存时尚未按金额分类，重新导入该日后显示。";

constexpr auto Index(int i) { return static_cast<std::size_t>(i); }

QString FigureText(const BucketSum& sum) { return moxtel::FigureText(FlowFigure{sum.lots, sum.amount}); }

}  // namespace

OrderClassSection::OrderClassSection() {
    for (auto& row : m_cells) row.fill(QString::fromUtf8(kNoFigure));
}

void OrderClassSection::Build(CDialogBase& window, int x, int y, int width, int height) const {
    constexpr int kLabelWidth = 34;
    constexpr int kGap = 4;
    constexpr int kRowStep = 14;
    window.AddGroup(QString::fromUtf8("按金额分类"), {x, y, width, height});
    const int cellWidth = (width - kLabelWidth - 8 - kGap * kColumns) / kColumns;
    auto left = [&](int column) { return x + 4 + kLabelWidth + kGap + column * (cellWidth + kGap); };
    for (int column = 0; column < kColumns; ++column) {
        window.AddStatic(QString::fromUtf8(kCaptions[Index(column)]), {left(column), y + 9, cellWidth, 10},
                         Qt::AlignCenter);
    }
    for (int row = 0; row < kOrderClassRows; ++row) {
        const int top = y + 20 + row * kRowStep;
        const char* name = row < kOrderClassCount ? kOrderClassNames[Index(row)] : kMainOrderName;
        window.AddStatic(QString::fromUtf8(name), {x + 4, top + 2, kLabelWidth, 10});
        for (int column = 0; column < kColumns; ++column) {
            window.AddEdit(EditId(row, column), {left(column), top, cellWidth, 13}, EditStyle::ReadOnlyCentred);
        }
    }
    window.AddEdit(kNoteId, {x + 4, y + 20 + kOrderClassRows * kRowStep, width - 8, 13}, EditStyle::Label);
}

void OrderClassSection::Exchange(const DataExchange& dx) {
    for (int row = 0; row < kOrderClassRows; ++row) {
        for (int column = 0; column < kColumns; ++column)
            dx.Text(EditId(row, column), m_cells[Index(row)][Index(column)]);
    }
    dx.Text(kNoteId, m_note);
}

void OrderClassSection::Show(const DayFlowResult& day) {
    if (!day.hasOrderClasses) {
        for (auto& row : m_cells) row.fill(QString::fromUtf8(kNoFigure));
        m_note = QString::fromUtf8(kMsgNoClasses);
        return;
    }
    const auto rows = OrderClassRows(day.orderClasses);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const OrderClassRow& figures = rows[r];
        m_cells[r] = {FigureText(figures.inflow), FigureText(figures.outflow), FigureText(figures.net),
                      figures.netShare ? QString::fromStdString(FormatFixed(*figures.netShare, 2)) + QLatin1Char('%')
                                       : QString::fromUtf8(kNoFigure)};
    }
    // The convention in words, with the name --order-classes takes.
    const std::string_view name = ConventionName(day.orderConvention);
    const char* words = day.orderConvention == OrderClassConvention::AmountOnly ? "只按金额分类" : "按股数或金额分类";
    m_note = QString::fromUtf8(words) + QLatin1Char('(') +
             QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
             QString::fromUtf8(")；主力 = 大单 + 超大单，净占比 = 净额 / 当日全部成交额");
}

const QString& OrderClassSection::Cell(int row, int column) const { return m_cells[Index(row)][Index(column)]; }

}  // namespace moxtel
