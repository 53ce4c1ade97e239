#pragma once

#include <string>

#include "query/CMSFlexGrid.h"

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

// The same cells as CSV: UTF-8 with a byte order mark (spreadsheet programs then read the
// Chinese headers right), fields separated by commas, lines ending in CRLF, and a field quoted
// with its quotes doubled when it holds a comma, a quote, a line break or leading or trailing blanks.
std::string GridToCsv(const CMSFlexGrid& grid, const GridRange& range);

}  // namespace moxtel
