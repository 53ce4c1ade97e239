#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moxtel {

// Chart types the charts use.
inline constexpr int kChartType2dBar = 1;
inline constexpr int kChartType2dLine = 3;
// Backdrop fill style "brush" and data-point label location "above the point".
inline constexpr int kFillStyleBrush = 1;
inline constexpr int kLabelLocationAbove = 1;

// Scale of a value (y) axis. With Auto false the view draws exactly Minimum..Maximum.
struct ChartValueScale {
    bool Auto = true;
    double Maximum = 100.0;
    double Minimum = 0.0;
    int MajorDivision = 5;
    int MinorDivision = 1;
};

// Scale of a category (x) axis: every DivisionsPerLabel-th category is labelled.
struct ChartCategoryScale {
    bool Auto = true;
    int DivisionsPerLabel = 1;
    int DivisionsPerTick = 1;
};

struct ChartAxis {
    ChartValueScale ValueScale;
    ChartCategoryScale CategoryScale;
    std::string AxisTitle;
};

enum class AxisId { Category = 0, Value = 1 };

// What a chart knows about one series (column): pen and data-point labels.
struct ChartSeries {
    std::uint32_t PenColor = 0;  // RGB as RgbColor builds it
    bool HasPenColor = false;    // false: the view picks a colour
    int PenWidth = 0;            // 0: the view's default width; larger values draw wider lines
    int LabelLocationType = 0;   // 0: no labels, kLabelLocationAbove: value above each point
    bool DrawAsLine = false;     // in a bar chart: drawn as a line over the bars (a running sum)
};

// A toolkit-free chart: rows are categories (days or intervals), columns are series, both counted
// from 1 as the chart control counts them. It holds the state the windows set and nothing of the
// drawing; a view draws it when Refresh is called. Changing RowCount or ColumnCount keeps the values
// of the rows and columns that remain, new cells read 0. Labels and series settings are kept per
// index independently of the counts, so a label may be set before the count grows to include it.
// Indices outside the data grid are ignored by SetData.
class CMSChart {
  public:
    std::string TitleText() const { return m_title; }
    void SetTitleText(std::string text) { m_title = std::move(text); }
    bool ShowLegend() const { return m_showLegend; }
    void SetShowLegend(bool show) { m_showLegend = show; }
    bool Stacking() const { return m_stacking; }
    void SetStacking(bool stacking) { m_stacking = stacking; }
    int ChartType() const { return m_chartType; }
    void SetChartType(int type) { m_chartType = type; }

    int RowCount() const { return m_rowCount; }
    void SetRowCount(int rows);
    int ColumnCount() const { return m_columnCount; }
    void SetColumnCount(int columns);

    // Current row and column, used by RowLabel and ColumnLabel.
    int Row() const { return m_row; }
    void SetRow(int row) { m_row = row; }
    int Column() const { return m_column; }
    void SetColumn(int column) { m_column = column; }
    void SetRowLabel(const std::string& label);     // label of the current row
    void SetColumnLabel(const std::string& label);  // legend text of the current column
    std::string RowLabelAt(int row) const;
    std::string ColumnLabelAt(int column) const;

    // DataGrid.SetData: value of (row, column); nullFlag non-zero marks the point as missing.
    void SetData(int row, int column, double value, int nullFlag);
    double DataAt(int row, int column) const;
    bool IsNullAt(int row, int column) const;

    ChartAxis& Axis(AxisId id) { return m_axes[static_cast<std::size_t>(id)]; }
    const ChartAxis& Axis(AxisId id) const { return m_axes[static_cast<std::size_t>(id)]; }

    // Settings of series k (from 1); created on first use.
    ChartSeries& Series(int k);
    ChartSeries SeriesAt(int k) const;
    void SetPenColor(int k, int r, int g, int b);

    int BackdropFillStyle() const { return m_fillStyle; }
    std::uint32_t BackdropFillColor() const { return m_fillColor; }
    void SetBackdrop(int fillStyle, int r, int g, int b);

    // Asks the view to draw the current state.
    void Refresh();
    int RefreshCount() const { return m_refreshCount; }
    void SetRefreshCallback(std::function<void()> cb) { m_refreshed = std::move(cb); }

  private:
    struct Point {
        double value = 0.0;
        bool null = false;
    };
    const Point* At(int row, int column) const;

    std::string m_title;
    bool m_showLegend = false;
    bool m_stacking = false;
    int m_chartType = kChartType2dBar;
    int m_rowCount = 0;
    int m_columnCount = 0;
    int m_row = 1;
    int m_column = 1;
    std::vector<std::vector<Point>> m_data;   // [row-1][column-1]
    std::vector<std::string> m_rowLabels;     // [row-1]
    std::vector<std::string> m_columnLabels;  // [column-1]
    std::vector<ChartSeries> m_series;        // [k-1]
    std::array<ChartAxis, 2> m_axes{};
    int m_fillStyle = 0;
    std::uint32_t m_fillColor = 0;
    int m_refreshCount = 0;
    std::function<void()> m_refreshed;
};

}  // namespace moxtel
