#pragma once

#include <QString>
#include <array>
#include <optional>
#include <utility>

namespace moxtel {

class CDialogBase;
class DataExchange;
struct DayFlowResult;

inline constexpr int kDynamicRows = 3;
inline constexpr const char* kMsgDynamicRangeReversed = "开始数值不能大于结束数值!";

// Bucket bounds (a, b) of a dynamic row from its chosen item texts ("" when nothing is chosen):
// from "0".."900" gives 0..9, "1000" and "1000+" give 10, nothing counts as "0"; to "100".."1000"
// gives 1..10, nothing gives 11 (no upper limit). nullopt when b < a.
std::optional<std::pair<int, int>> DynamicRowBounds(const QString& fromItem, const QString& toItem);

// The three dynamic-statistics rows of a result panel (main window and detail window): per row a
// from-list, a to-list, a "统计" button (1098, 1099, 1100) and six figure edits. Holds the rows'
// members; the owning window builds the controls, lists them in DoDataExchange and routes the
// buttons to Compute.
class DynamicStatsRows {
  public:
    static constexpr std::array<int, kDynamicRows> kButtons{1098, 1099, 1100};

    // The group box and its three rows inside the given area (dialog units).
    void Build(CDialogBase& window, int x, int y, int width, int height) const;
    void Exchange(const DataExchange& dx);

    // Row (0..2) figures from its lists' choices, into its members. False when the to-item lies
    // below the from-item: the caller shows kMsgDynamicRangeReversed and nothing changes.
    bool Compute(const CDialogBase& window, int row, const DayFlowResult& day);

    const QString& Figure(int row, int group) const;
    int FromSelection(int row) const { return m_nFrom[static_cast<std::size_t>(row)]; }
    int ToSelection(int row) const { return m_nTo[static_cast<std::size_t>(row)]; }

  private:
    std::array<int, kDynamicRows> m_nFrom{-1, -1, -1};
    std::array<int, kDynamicRows> m_nTo{-1, -1, -1};
    std::array<std::array<QString, 6>, kDynamicRows> m_figures;  // by ResultGroup
};

}  // namespace moxtel
