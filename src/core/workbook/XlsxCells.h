#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Result.h"
#include "workbook/SheetModel.h"
#include "workbook/XmlPull.h"

// The cells of an .xlsx sheet and its shared strings, taken as their parts stream through the XML
// pull reader: only the item being read is held, whatever the size of the part.
namespace moxtel::xlsx {

inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint32_t kMaxColumns = 16384;

// An error of the .xlsx reader: "xlsx: " and what went wrong.
Error Fail(const std::string& what);
// A whole unsigned decimal number, blanks around it allowed.
bool ParseUnsigned(std::string_view text, std::uint64_t& value);
// An XML boolean as the spreadsheet writes it: "1" or "true".
bool IsTrue(std::string_view value);
// Spreadsheet text escapes characters XML cannot hold as _xHHHH_ (_x000D_ is a carriage return).
std::string DecodeEscapes(std::string_view text);

// Streams one part through a handler (the package's reader of that part).
using PartStreamer = std::function<Status(XmlHandler&)>;
// Index into SheetModel::formatCodes of a cell style.
using FormatOfStyle = std::function<std::uint32_t(std::uint64_t)>;

// The shared strings, each stored once in texts (bytes that are not UTF-8 replaced by U+FFFD).
Result<std::vector<std::string_view>> ReadSharedStrings(const PartStreamer& part, TextStore& texts);

// Adds the cells of the sheet part to sheet (Finish is the caller's); fails on a bad value, a
// shared-string index beyond the table, a part that is no worksheet, and a sheet over its bounds.
Status ReadSheetCells(const PartStreamer& part, SheetModel& sheet, const std::vector<std::string_view>& strings,
                      const FormatOfStyle& formatOf);

}  // namespace moxtel::xlsx
