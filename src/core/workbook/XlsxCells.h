#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/workbook/SheetModel.h"
#include "core/workbook/XmlPull.h"

// The cells of an .xlsx sheet and its shared strings, taken as their parts stream through the XML
// pull reader: only the item being read is held, whatever the size of the part.
namespace moxtel::xlsx {

inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint32_t kMaxColumns = 16384;

// An error of the .xlsx reader: "xlsx: " and what went wrong.
Error Fail(const std::string& what);
// ParseUnsigned of what is more than plain digits: blanks around them, or more than 19.
bool ParseUnsignedSlow(std::string_view text, std::uint64_t& value);

// A whole unsigned decimal number, blanks around it allowed.
inline bool ParseUnsigned(std::string_view text, std::uint64_t& value) {
    // Plain digits, as nearly every attribute holds them (read inline, a few per cell); 19 of them
    // cannot overflow.
    if (!text.empty() && text.size() <= 19) {
        std::uint64_t v = 0;
        std::size_t i = 0;
        for (; i < text.size(); ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
            if (digit > 9) break;
            v = v * 10 + digit;
        }
        if (i == text.size()) {
            value = v;
            return true;
        }
    }
    return ParseUnsignedSlow(text, value);
}
// Whether the 8 bytes of chunk, in the order they were read, are all digits.
inline bool EightDigits(std::uint64_t chunk) {
    return ((chunk & 0xF0F0F0F0F0F0F0F0) | (((chunk + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) ==
           0x3333333333333333;
}

// The number of 8 digits whose values (0-9) fill the bytes of values, the first in the lowest byte.
inline std::uint64_t EightDigitsValue(std::uint64_t values) {
    values = values * 10 + (values >> 8);  // pairs of digits in every other byte
    return (((values & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
            (((values >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
           32;
}

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

// How the rows of a sheet are read: Quick reads each row straight from the bytes where its markup
// is of the shapes spreadsheet writers produce, and the others through the XML reader; Reader reads
// every row through the XML reader. Both give the same cells and the same failures.
enum class RowReading { Quick, Reader };

// Adds the cells of the sheet part to sheet (Finish is the caller's); fails on a bad value, a
// shared-string index beyond the table, a part that is no worksheet, and a sheet over its bounds.
Status ReadSheetCells(const PartStreamer& part, SheetModel& sheet, const std::vector<std::string_view>& strings,
                      const FormatOfStyle& formatOf, RowReading reading = RowReading::Quick);

}  // namespace moxtel::xlsx
