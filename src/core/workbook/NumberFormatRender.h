#pragma once

#include <string>
#include <string_view>

#include "core/workbook/NumberFormatParse.h"

// Renderers of one chosen section of a number format code.
namespace moxtel::numfmt {

// What the spreadsheet shows when a date or time cannot be shown (negative, past year 9999).
inline constexpr std::string_view kOverflowText = "########";

// magnitude >= 0 and finite; minus puts "-" in front of everything the section shows.
std::string RenderNumber(const Section& section, double magnitude, bool minus);

// value is the serial date and time, finite; kOverflowText when out of the calendar.
std::string RenderDate(const Section& section, double value, bool date1904);

std::string RenderText(const Section& section, std::string_view text);

}  // namespace moxtel::numfmt
