#include "core/query/GridExport.h"

#include <algorithm>
#include <optional>
#include <regex>
#include <utility>

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

// Lots and amount of a figure text, nullopt for any other text.
std::optional<std::pair<std::string, std::string>> FigureParts(const std::string& text) {
    static const std::regex figure(R"(^(-?[0-9]+(?:\.[0-9]+)?)\((-?[0-9]+(?:\.[0-9]+)?)万元\)$)");
    std::smatch match;
    if (!std::regex_match(text, match, figure)) return std::nullopt;
    return std::pair{match[1].str(), match[2].str()};
}

bool IsFigureColumn(const TextTable& table, std::size_t col, std::size_t firstRow) {
    bool any = false;
    for (std::size_t row = firstRow; row < table.size(); ++row) {
        if (col >= table[row].size() || table[row][col].empty()) continue;
        if (!FigureParts(table[row][col])) return false;
        any = true;
    }
    return any;
}

std::string WithoutLotsUnit(std::string name) {
    const std::string unit = "(手)";
    if (name.size() >= unit.size() && name.compare(name.size() - unit.size(), unit.size(), unit) == 0)
        name.resize(name.size() - unit.size());
    return name;
}

}  // namespace

TextTable SplitFigureColumns(const TextTable& table, bool hasHeader) {
    std::size_t width = 0;
    for (const auto& row : table) width = std::max(width, row.size());
    const std::size_t firstRow = hasHeader ? 1 : 0;
    std::vector<bool> split(width);
    for (std::size_t col = 0; col < width; ++col) split[col] = IsFigureColumn(table, col, firstRow);
    TextTable result;
    for (std::size_t row = 0; row < table.size(); ++row) {
        std::vector<std::string> fields;
        for (std::size_t col = 0; col < width; ++col) {
            const std::string text = col < table[row].size() ? table[row][col] : std::string();
            if (!split[col]) {
                fields.push_back(text);
            } else if (row < firstRow) {
                fields.push_back(WithoutLotsUnit(text) + "(手)");
                fields.push_back(WithoutLotsUnit(text) + "(万元)");
            } else {
                const auto parts = FigureParts(text);
                fields.push_back(parts ? parts->first : std::string());
                fields.push_back(parts ? parts->second : std::string());
            }
        }
        result.push_back(std::move(fields));
    }
    return result;
}

GridRange WholeGrid(const CMSFlexGrid& grid) {
    int bottom = grid.Rows() - 1;
    while (bottom >= 0 && RowIsEmpty(grid, bottom)) --bottom;
    return {0, 0, bottom, grid.Cols() - 1};
}

std::string GridToTsv(const CMSFlexGrid& grid, const GridRange& range) {
    return JoinCells(grid, range, '\t', "\n", TsvField);
}

std::string GridToTsvWithLabels(const CMSFlexGrid& grid, const GridRange& range) {
    std::vector<int> rows;
    std::vector<int> cols;
    if (range.top > 0) rows.push_back(0);
    if (range.left > 0 && grid.ColWidth(0) != 0) cols.push_back(0);
    for (int row = std::max(range.top, 0); row <= std::min(range.bottom, grid.Rows() - 1); ++row) rows.push_back(row);
    for (int col = std::max(range.left, 0); col <= std::min(range.right, grid.Cols() - 1); ++col)
        if (grid.ColWidth(col) != 0) cols.push_back(col);
    std::string text;
    for (const int row : rows) {
        for (std::size_t i = 0; i < cols.size(); ++i) text += (i ? "\t" : "") + TsvField(grid.TextAt(row, cols[i]));
        text += "\n";
    }
    return text;
}

std::string GridToCsv(const CMSFlexGrid& grid, const GridRange& range) {
    TextTable table;
    const int bottom = std::min(range.bottom, grid.Rows() - 1);
    const int right = std::min(range.right, grid.Cols() - 1);
    for (int row = std::max(range.top, 0); row <= bottom; ++row) {
        std::vector<std::string>& fields = table.emplace_back();
        for (int col = std::max(range.left, 0); col <= right; ++col)
            if (grid.ColWidth(col) != 0) fields.push_back(grid.TextAt(row, col));
    }
    std::string text = "\xEF\xBB\xBF";
    for (const auto& fields : SplitFigureColumns(table, range.top <= 0)) {
        for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? "," : "") + CsvField(fields[i]);
        text += "\r\n";
    }
    return text;
}

}  // namespace moxtel
