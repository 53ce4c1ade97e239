#pragma once

#include <string>
#include <string_view>

#include "common/Result.h"
#include "workbook/SheetModel.h"

namespace moxtel {

// Readers of the three workbook containers. Each loads the active sheet completely or fails
// with a message; none trusts a length or count field of the file beyond the bytes present.

// BIFF8 (and BIFF5) workbook inside an OLE2 compound file (stream "Workbook" or "Book").
Result<SheetModel> ReadXlsWorkbook(const std::string& path);

// Office Open XML workbook (.xlsx) inside a ZIP container.
Result<SheetModel> ReadXlsxWorkbook(const std::string& path);

// Delimited text (tab, else comma) as many trading programs write under an .xls name.
// UTF-8 with or without BOM, UTF-16 LE/BE with BOM, otherwise GB18030; cells as they stand.
// A text of more than linesAbove bytes keeps its lines instead of a cell per field (SheetModel::lines,
// cells empty): a large export then costs 4 bytes a row beside its text, whatever its fields.
inline constexpr std::size_t kTextLinesAbove = 16u << 10;
Result<SheetModel> ReadTextTable(std::string_view bytes, std::size_t linesAbove = kTextLinesAbove);
// The same, taking the file's bytes over: they are let go as soon as the text is decoded.
Result<SheetModel> ReadTextTable(std::string&& bytes, std::size_t linesAbove = kTextLinesAbove);

}  // namespace moxtel
