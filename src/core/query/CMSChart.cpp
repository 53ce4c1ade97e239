#include "core/query/CMSChart.h"

#include <algorithm>

#include "core/query/CMSFlexGrid.h"

namespace moxtel {
namespace {

// Stores text at a 1-based index, growing the list as needed; indices below 1 are ignored.
void PutLabel(std::vector<std::string>& labels, int index, const std::string& text) {
    if (index < 1) return;
    if (static_cast<std::size_t>(index) > labels.size()) labels.resize(static_cast<std::size_t>(index));
    labels[static_cast<std::size_t>(index - 1)] = text;
}

std::string GetLabel(const std::vector<std::string>& labels, int index) {
    if (index < 1 || static_cast<std::size_t>(index) > labels.size()) return {};
    return labels[static_cast<std::size_t>(index - 1)];
}

}  // namespace

void CMSChart::SetRowCount(int rows) {
    m_rowCount = std::max(rows, 0);
    m_data.resize(static_cast<std::size_t>(m_rowCount), std::vector<Point>(static_cast<std::size_t>(m_columnCount)));
}

void CMSChart::SetColumnCount(int columns) {
    m_columnCount = std::max(columns, 0);
    for (auto& row : m_data) row.resize(static_cast<std::size_t>(m_columnCount));
}

void CMSChart::SetRowLabel(const std::string& label) { PutLabel(m_rowLabels, m_row, label); }
void CMSChart::SetColumnLabel(const std::string& label) { PutLabel(m_columnLabels, m_column, label); }
std::string CMSChart::RowLabelAt(int row) const { return GetLabel(m_rowLabels, row); }
std::string CMSChart::ColumnLabelAt(int column) const { return GetLabel(m_columnLabels, column); }

const CMSChart::Point* CMSChart::At(int row, int column) const {
    if (row < 1 || column < 1 || row > m_rowCount || column > m_columnCount) return nullptr;
    return &m_data[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
}

void CMSChart::SetData(int row, int column, double value, int nullFlag) {
    if (row < 1 || column < 1 || row > m_rowCount || column > m_columnCount) return;
    Point& point = m_data[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    point.value = value;
    point.null = nullFlag != 0;
}

double CMSChart::DataAt(int row, int column) const {
    const Point* p = At(row, column);
    return p ? p->value : 0.0;
}

bool CMSChart::IsNullAt(int row, int column) const {
    const Point* p = At(row, column);
    return p && p->null;
}

ChartSeries& CMSChart::Series(int k) {
    const auto index = static_cast<std::size_t>(std::max(k, 1));
    if (index > m_series.size()) m_series.resize(index);
    return m_series[index - 1];
}

ChartSeries CMSChart::SeriesAt(int k) const {
    if (k < 1 || static_cast<std::size_t>(k) > m_series.size()) return {};
    return m_series[static_cast<std::size_t>(k - 1)];
}

void CMSChart::SetPenColor(int k, int r, int g, int b) {
    ChartSeries& series = Series(k);
    series.PenColor = RgbColor(r, g, b);
    series.HasPenColor = true;
}

void CMSChart::SetBackdrop(int fillStyle, int r, int g, int b) {
    m_fillStyle = fillStyle;
    m_fillColor = RgbColor(r, g, b);
}

void CMSChart::Refresh() {
    ++m_refreshCount;
    if (m_refreshed) m_refreshed();
}

}  // namespace moxtel
