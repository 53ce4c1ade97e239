#include "ui/stats/DynamicStatsRows.h"

#include "core/stats/IntervalRules.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/CDropList.h"
#include "ui/app/DataExchange.h"
#include "ui/stats/ResultPanel.h"

namespace moxtel {

namespace {

constexpr std::array<int, kDynamicRows> kFromLists{1123, 1191, 1193};
constexpr std::array<int, kDynamicRows> kToLists{1124, 1192, 1194};
// Per row, the edits in the panel's group order: 流入, 流出, 流向, 流向(加未知), 总量, 未知流向.
constexpr std::array<std::array<int, kPanelGroups>, kDynamicRows> kFigureEdits{{
    {1101, 1102, 1104, 1136, 1139, 1103},
    {1105, 1106, 1108, 1137, 1140, 1107},
    {1109, 1110, 1112, 1138, 1141, 1111},
}};
constexpr std::array<const char*, kPanelGroups> kFigureCaptions{"流入",         "流出", "流向",
                                                                "流向(加未知)", "总量", "未知流向"};

constexpr auto Index(int i) { return static_cast<std::size_t>(i); }

QString ChosenItem(const CDialogBase& window, int listId, int index) {
    return index < 0 ? QString() : window.DropList(listId)->itemText(index);
}

}  // namespace

std::optional<std::pair<int, int>> DynamicRowBounds(const QString& fromItem, const QString& toItem) {
    const int a = fromItem == QLatin1String("1000+") ? 10 : fromItem.toInt() / 100;
    const int b = toItem.isEmpty() ? 11 : toItem.toInt() / 100;
    if (b < a) return std::nullopt;
    return std::make_pair(a, b);
}

void DynamicStatsRows::Build(CDialogBase& window, int x, int y, int width, int height) const {
    window.AddGroup(QString::fromUtf8("动态统计（如果第二列不选择数值，将统计大于第一列的总量）"),
                    {x, y, width, height});
    // Lists and button first; the six figure edits share the rest, captioned once above their column.
    constexpr int kListWidth = 44;  // "1000+" and the arrow, also in a window drawn smaller to fit
    constexpr int kFiguresLeft = 8 + kListWidth + 12 + kListWidth + 6 + 32 + 8;
    constexpr int kGap = 5;
    const int editWidth = (width - 8 - kFiguresLeft - kGap * (kPanelGroups - 1)) / kPanelGroups;
    const int captionTop = y + 11;
    for (int group = 0; group < kPanelGroups; ++group) {
        window.AddStatic(QString::fromUtf8(kFigureCaptions[Index(group)]),
                         {x + kFiguresLeft + group * (editWidth + kGap), captionTop, editWidth, 10}, Qt::AlignCenter);
    }
    const int rowStep = (height - 26) / kDynamicRows;
    for (int row = 0; row < kDynamicRows; ++row) {
        const int top = captionTop + 11 + row * rowStep;
        const int left = x + 8;
        window.AddDropList(kFromLists[Index(row)], {left, top, kListWidth, 14},
                           {"0", "100", "200", "300", "400", "500", "600", "700", "800", "900", "1000", "1000+"});
        window.AddStatic(QString::fromUtf8("—"), {left + kListWidth + 1, top, 10, 14}, Qt::AlignCenter);
        window.AddDropList(kToLists[Index(row)], {left + kListWidth + 12, top, kListWidth, 14},
                           {"100", "200", "300", "400", "500", "600", "700", "800", "900", "1000"});
        window.AddButton(kButtons[Index(row)], QString::fromUtf8("统计"), {left + 2 * kListWidth + 18, top, 32, 14});
        for (int group = 0; group < kPanelGroups; ++group) {
            window.AddEdit(kFigureEdits[Index(row)][Index(group)],
                           {x + kFiguresLeft + group * (editWidth + kGap), top, editWidth, 14},
                           EditStyle::ReadOnlyCentred);
        }
    }
}

void DynamicStatsRows::Exchange(const DataExchange& dx) {
    for (int row = 0; row < kDynamicRows; ++row) {
        dx.Selection(kFromLists[Index(row)], m_nFrom[Index(row)]);
        dx.Selection(kToLists[Index(row)], m_nTo[Index(row)]);
        for (int group = 0; group < kPanelGroups; ++group) {
            dx.Text(kFigureEdits[Index(row)][Index(group)], m_figures[Index(row)][Index(group)]);
        }
    }
}

bool DynamicStatsRows::Compute(const CDialogBase& window, int row, const DayFlowResult& day) {
    const auto bounds = DynamicRowBounds(ChosenItem(window, kFromLists[Index(row)], m_nFrom[Index(row)]),
                                         ChosenItem(window, kToLists[Index(row)], m_nTo[Index(row)]));
    if (!bounds) return false;
    const RangeFigures range = SumBucketRange(day, bounds->first, bounds->second);
    for (int group = 0; group < kPanelGroups; ++group) {
        m_figures[Index(row)][Index(group)] = FigureText(FigureOfGroup(range, group));
    }
    return true;
}

const QString& DynamicStatsRows::Figure(int row, int group) const { return m_figures[Index(row)][Index(group)]; }

}  // namespace moxtel
