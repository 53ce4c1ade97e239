#pragma once

#include <QString>
#include <array>

#include "core/stats/FlowBuckets.h"
#include "core/stats/OrderClasses.h"

namespace moxtel {

class CDialogBase;
class DataExchange;

// The 按金额分类 section of the result panel: rows 小单, 中单, 大单, 超大单 and 主力, columns 流入,
// 流出, 净额 (each 手 and 万元) and 净占比, in read-only edits. The caption names the convention the
// day was computed with; a day without order classes shows "—" in every cell and says why.
class OrderClassSection {
  public:
    static constexpr int kColumns = 4;
    // Edit ids by row (小单 .. 主力) and column (流入, 流出, 净额, 净占比); 1520 the note line.
    static constexpr int EditId(int row, int column) { return 1500 + row * kColumns + column; }
    static constexpr int kNoteId = 1520;

    OrderClassSection();

    void Build(CDialogBase& window, int x, int y, int width, int height) const;
    void Exchange(const DataExchange& dx);
    // The day's classes, or dashes and the note for a day without them.
    void Show(const DayFlowResult& day);

    const QString& Cell(int row, int column) const;
    const QString& Note() const { return m_note; }

  private:
    std::array<std::array<QString, kColumns>, kOrderClassRows> m_cells;
    QString m_note;
};

}  // namespace moxtel
