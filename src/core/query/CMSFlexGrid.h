#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moxtel {

// Colours as the grid takes them: red in the low byte, green in the middle, blue in the high byte.
inline constexpr std::uint32_t kColorBlack = 0;
inline constexpr std::uint32_t kColorRed = 255;
inline constexpr std::uint32_t kColorGreen = 65280;
inline constexpr std::uint32_t kColorWhite = 16777215;
inline constexpr std::uint32_t RgbColor(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

// A grid of text cells, toolkit-free: one fixed header row and one fixed column, addressed from 0.
// Writers set Rows to the row about to be written plus 2, choose Row and Col, then set Text (and
// CellForeColor). A view draws it and forwards clicks; the windows' figures are tested on this model.
class CMSFlexGrid {
public:
    CMSFlexGrid(int rows = 2, int cols = 2);

    int Rows() const { return m_rows; }
    void SetRows(int rows);  // growing keeps texts, shrinking drops rows beyond
    int Cols() const { return m_cols; }
    void SetCols(int cols);
    int Row() const { return m_row; }
    void SetRow(int row);
    int Col() const { return m_col; }
    void SetCol(int col);
    int RowSel() const { return m_rowSel; }
    void SetRowSel(int row) { m_rowSel = row; }

    // Text of the current cell.
    std::string Text() const { return TextAt(m_row, m_col); }
    void SetText(const std::string& text);
    // Direct access for views and tests; out-of-range reads "".
    std::string TextAt(int row, int col) const;
    void SetTextAt(int row, int col, const std::string& text);

    // Width in twips (1/1440 inch); 0 hides the column, which keeps its texts.
    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);

    // Text colour of the current cell; cells never set have the default (black on the grid's back colour).
    void SetCellForeColor(std::uint32_t color);
    std::uint32_t CellForeColorAt(int row, int col) const;
    bool HasCellForeColor(int row, int col) const;

    std::uint32_t BackColor() const { return m_backColor; }
    void SetBackColor(std::uint32_t color) { m_backColor = color; Changed(); }

    // Empties every cell text, fixed cells included; keeps rows, columns, widths and colours.
    void Clear();

    // Observers for a view: any change redraws.
    void SetChangedCallback(std::function<void()> cb) { m_changed = std::move(cb); }

private:
    struct Cell {
        std::string text;
        std::uint32_t color = kColorBlack;
        bool hasColor = false;
    };
    Cell* At(int row, int col);
    const Cell* At(int row, int col) const;
    void Changed() const { if (m_changed) m_changed(); }

    int m_rows;
    int m_cols;
    int m_row = 1;
    int m_col = 1;
    int m_rowSel = 1;
    std::uint32_t m_backColor = kColorWhite;
    std::vector<std::vector<Cell>> m_cells;  // [row][col]
    std::vector<int> m_colWidths;
    std::function<void()> m_changed;
};

}  // namespace moxtel
