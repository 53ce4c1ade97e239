#pragma once

#include <string>
#include <vector>

#include "core/query/CMSFlexGrid.h"

namespace moxtel {

// A block of grid cells, both corners included, in grid coordinates (row 0 and column 0 are the
// fixed header cells).
struct GridRange {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;
};

// The whole grid, header row and fixed column included, without the empty rows every grid ends
// with. Empty (bottom < top) for a grid without any text.
GridRange WholeGrid(const CMSFlexGrid& grid);

// Tab-separated text of the cells of range, one line per row ending in "\n", ready to paste into
// a spreadsheet. Hidden columns (width 0, such as the history grid's master ids) are left out;
// tabs and line breaks inside a cell become blanks, so that every cell stays one field.
std::string GridToTsv(const CMSFlexGrid& grid, const GridRange& range);

// Tab-separated text of range as GridToTsv, with the header row (row 0) above it and the row
// labels (column 0) in front of it when range leaves them out: a copied block says what its
// numbers are.
std::string GridToTsvWithLabels(const CMSFlexGrid& grid, const GridRange& range);

// The same cells as CSV, figure columns split into lots and amount (SplitFigureColumns; the first
// row is the header when range starts at row 0): UTF-8 with a byte order mark (spreadsheet programs then read the
// Chinese headers right), fields separated by commas, lines ending in CRLF, and a field quoted
// with its quotes doubled when it holds a comma, a quote, a line break or leading or trailing blanks.
std::string GridToCsv(const CMSFlexGrid& grid, const GridRange& range);

// Rows of cell texts; with a header, row 0 holds the column names.
using TextTable = std::vector<std::vector<std::string>>;

// A figure column (every filled cell below the header a figure "lots(amount万元)", such as
// "-6074(-724.2万元)") becomes two number columns, lots and amount, headed "<name>(手)" and
// "<name>(万元)" (a name's own "(手)" dropped first): spreadsheets and data tools then read numbers.
// Other columns stay as they are.
TextTable SplitFigureColumns(const TextTable& table, bool hasHeader);

}  // namespace moxtel
