#include "query/GridExport.h"

#include <algorithm>

namespace moxtel {

namespace {

bool RowIsEmpty(const CMSFlexGrid& grid, int row) {
    for (int col = 0; col < grid.Cols(); ++col)
        if (!grid.TextAt(row, col).empty()) return false;
    return true;
}

std::string TsvField(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string field = "\"";
    for (char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

// The cells of range, visible columns only, joined by separator, each line ended by lineEnd.
template <class FieldFormat>
std::string JoinCells(const CMSFlexGrid& grid, const GridRange& range, char separator, const char* lineEnd,
                      FieldFormat format) {
    std::string text;
    const int bottom = std::min(range.bottom, grid.Rows() - 1);
    const int right = std::min(range.right, grid.Cols() - 1);
    for (int row = std::max(range.top, 0); row <= bottom; ++row) {
        bool first = true;
        for (int col = std::max(range.left, 0); col <= right; ++col) {
            if (grid.ColWidth(col) == 0) continue;
            if (!first) text += separator;
            first = false;
            text += format(grid.TextAt(row, col));
        }
        text += lineEnd;
    }
    return text;
}

}  // namespace

GridRange WholeGrid(const CMSFlexGrid& grid) {
    int bottom = grid.Rows() - 1;
    while (bottom >= 0 && RowIsEmpty(grid, bottom)) --bottom;
    return {0, 0, bottom, grid.Cols() - 1};
}

std::string GridToTsv(const CMSFlexGrid& grid, const GridRange& range) {
    return JoinCells(grid, range, '\t', "\n", TsvField);
}

std::string GridToCsv(const CMSFlexGrid& grid, const GridRange& range) {
    return "\xEF\xBB\xBF" + JoinCells(grid, range, ',', "\r\n", CsvField);
}

}  // namespace moxtel
