#pragma once

#include <QString>
#include <array>

#include "core/stats/IntervalRules.h"

namespace moxtel {

class CDialogBase;
class DataExchange;
struct DayFlowResult;

// The six figures in the order of the panel's groups (and of the totals row's edits).
enum ResultGroup { kGroupInflow, kGroupOutflow, kGroupNet, kGroupNetWithUncertain, kGroupTotal, kGroupUncertain };
inline constexpr int kPanelGroups = 6;
inline constexpr int kPanelIntervals = 5;

const FlowFigure& FigureOfGroup(const RangeFigures& figures, int group);

// The text of a figure wherever a window shows one: lots and 万元 as FlowFigure::Text writes them.
QString FigureText(const FlowFigure& figure);

// Captions of the six interval groups; the main window and the detail window word them apart.
using PanelGroupCaptions = std::array<const char*, kPanelGroups>;
inline constexpr PanelGroupCaptions kMainPanelCaptions{"流入[ 手（万元）]", "流出[ 手（万元）]",
                                                       "流向[ 手（万元）]", "流向(加未知流向)[ 手（万元）]",
                                                       "总量[ 手（万元）]", "自定义未知流向[ 手（万元）]"};

// The result panel of a day: the totals row (1002..1007) and six groups of five interval rows,
// each a label edit with the interval text and a value edit. It holds the members of these edits;
// the window that owns it builds its controls and lists it in its DoDataExchange.
class ResultPanel {
  public:
    ResultPanel();

    // The totals row: six read-only edits across width from (x, y), each under its caption.
    void BuildTotalsRow(CDialogBase& window, int x, int y, int width) const;
    // The six interval groups side by side across area.
    void BuildIntervalGroups(CDialogBase& window, int x, int y, int width, int height,
                             const PanelGroupCaptions& captions) const;

    void Exchange(const DataExchange& dx);

    // Totals row from buckets 1 to 11.
    void ShowDayTotals(const DayFlowResult& day);
    void ShowTotals(const RangeFigures& total);
    // The same five interval texts into the labels of all six groups.
    void SetIntervalLabels(const std::array<QString, kPanelIntervals>& texts);
    void SetDefaultIntervalLabels();
    // The five interval rows of all six groups, each interval parsed from its label in the
    // inflow group.
    void ComputeIntervalSums(const DayFlowResult& day);
    // The five interval rows of all six groups from figures computed elsewhere.
    void ShowIntervals(const std::array<RangeFigures, kPanelIntervals>& intervals);

    const QString& Total(int group) const { return m_totals[static_cast<std::size_t>(group)]; }
    const QString& Label(int group, int interval) const;
    const QString& Value(int group, int interval) const;

  private:
    std::array<QString, kPanelGroups> m_totals;
    std::array<std::array<QString, kPanelIntervals>, kPanelGroups> m_labels;
    std::array<std::array<QString, kPanelIntervals>, kPanelGroups> m_values;
};

}  // namespace moxtel
