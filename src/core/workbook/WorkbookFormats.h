#pragma once

#include <string>
#include <string_view>

#include "core/common/Result.h"
#include "core/workbook/SheetModel.h"

namespace moxtel {

// Readers of the three workbook containers. Each loads the active sheet completely or fails
// with a message; none trusts a length or count field of the file beyond the bytes present.

// BIFF8 (and BIFF5) workbook inside an OLE2 compound file (stream "Workbook" or "Book").
Result<SheetModel> ReadXlsWorkbook(const std::string& path);

// Office Open XML workbook (.xlsx) inside a ZIP container.
Result<SheetModel> ReadXlsxWorkbook(const std::string& path);

// Delimited text (tab, else comma) as many trading programs write under an .xls name.
// UTF-8 with or without BOM, UTF-16 LE/BE with BOM, otherwise GB18030; cells as they stand.
// The whole text is checked first, so a text that is not of one of these fails here. A text of more
// than linesAbove bytes (decoded) keeps its lines instead of a cell per field (SheetModel::lines,
// cells empty), decoded from the bytes in pieces as its rows are read: reading forward then holds
// a window of lines, not the text (see TextLineWindow).
// Lines of a text of at most keptWhole bytes (decoded) are kept once decoded: a header table is read
// twice (its layout, then its trades), and a day of up to some 40,000 trades is not worth decoding
// twice to save 1 MiB. Larger texts keep the window, so memory stops growing with the text there.
inline constexpr std::size_t kTextLinesAbove = 16u << 10;
inline constexpr std::size_t kTextPieceBytes = 256u << 10;
inline constexpr std::size_t kTextKeptWhole = 1u << 20;
struct TextReadOptions {
    std::size_t linesAbove = kTextLinesAbove;
    std::size_t pieceBytes = kTextPieceBytes;  // bytes read and decoded at a time
    std::size_t keptWhole = kTextKeptWhole;
};
Result<SheetModel> ReadTextTable(std::string_view bytes, std::size_t linesAbove = kTextLinesAbove);
Result<SheetModel> ReadTextTable(std::string&& bytes, std::size_t linesAbove = kTextLinesAbove);
Result<SheetModel> ReadTextTable(std::string bytes, const TextReadOptions& options);
// The same from a file, which the sheet keeps open and reads as its rows are read.
Result<SheetModel> ReadTextFile(const std::string& path, const TextReadOptions& options = {});

}  // namespace moxtel
