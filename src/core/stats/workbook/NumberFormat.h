#pragma once

#include <string>
#include <string_view>

namespace moxtel {

// The text a spreadsheet shows for a number under a number format code, in a column wide enough
// for it, with the Chinese (zh-CN) locale: "General", built-in and custom codes with sections,
// conditions, colours, literal text, scaling, percent, scientific, dates and times, both date systems.
std::string FormatNumber(double value, std::string_view formatCode, bool date1904 = false);

// The text shown for a text cell under a format code: the text section ("@") when the code has one,
// otherwise the text unchanged.
std::string FormatText(std::string_view text, std::string_view formatCode);

// Code of a built-in number format id as the zh-CN spreadsheet defines it (0..58);
// empty when the id is not built in.
std::string_view BuiltinFormatCode(int id);

}  // namespace moxtel
