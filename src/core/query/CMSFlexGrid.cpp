#include "core/query/CMSFlexGrid.h"

#include <algorithm>

namespace moxtel {

namespace {
constexpr int kDefaultColWidth = 1000;
}

CMSFlexGrid::CMSFlexGrid(int rows, int cols) : m_rows(0), m_cols(0) {
    SetCols(cols);
    SetRows(rows);
}

void CMSFlexGrid::SetRows(int rows) {
    m_rows = std::max(rows, 0);
    m_cells.resize(static_cast<std::size_t>(m_rows), std::vector<Cell>(static_cast<std::size_t>(m_cols)));
    Changed();
}

void CMSFlexGrid::SetCols(int cols) {
    m_cols = std::max(cols, 0);
    for (auto& row : m_cells) row.resize(static_cast<std::size_t>(m_cols));
    m_colWidths.resize(static_cast<std::size_t>(m_cols), kDefaultColWidth);
    Changed();
}

void CMSFlexGrid::SetRow(int row) { m_row = row; }
void CMSFlexGrid::SetCol(int col) { m_col = col; }

CMSFlexGrid::Cell* CMSFlexGrid::At(int row, int col) {
    if (row < 0 || col < 0 || row >= m_rows || col >= m_cols) return nullptr;
    return &m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

const CMSFlexGrid::Cell* CMSFlexGrid::At(int row, int col) const {
    if (row < 0 || col < 0 || row >= m_rows || col >= m_cols) return nullptr;
    return &m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void CMSFlexGrid::SetText(const std::string& text) { SetTextAt(m_row, m_col, text); }

std::string CMSFlexGrid::TextAt(int row, int col) const {
    const Cell* cell = At(row, col);
    return cell ? cell->text : std::string();
}

void CMSFlexGrid::SetTextAt(int row, int col, const std::string& text) {
    if (Cell* cell = At(row, col)) {
        cell->text = text;
        Changed();
    }
}

int CMSFlexGrid::ColWidth(int col) const {
    return col >= 0 && col < m_cols ? m_colWidths[static_cast<std::size_t>(col)] : 0;
}

void CMSFlexGrid::SetColWidth(int col, int twips) {
    if (col >= 0 && col < m_cols) {
        m_colWidths[static_cast<std::size_t>(col)] = std::max(twips, 0);
        Changed();
    }
}

void CMSFlexGrid::SetCellForeColor(std::uint32_t color) {
    if (Cell* cell = At(m_row, m_col)) {
        cell->color = color;
        cell->hasColor = true;
        Changed();
    }
}

std::uint32_t CMSFlexGrid::CellForeColorAt(int row, int col) const {
    const Cell* cell = At(row, col);
    return cell && cell->hasColor ? cell->color : kColorBlack;
}

bool CMSFlexGrid::HasCellForeColor(int row, int col) const {
    const Cell* cell = At(row, col);
    return cell && cell->hasColor;
}

void CMSFlexGrid::Clear() {
    for (auto& row : m_cells)
        for (auto& cell : row) cell.text.clear();
    Changed();
}

}  // namespace moxtel
