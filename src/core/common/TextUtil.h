#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace moxtel {

// The C library's atof rule: leading white space skipped, the longest decimal prefix
// (sign, digits, point, exponent) taken, 0 when there is none. No hex, no inf/nan.
double ParseLeadingDouble(std::string_view text);

// True when the atof rule finds digits at the start (after blanks, a sign and a point).
bool HasLeadingNumber(std::string_view text);

// The C library's atoi rule: leading white space, optional sign, leading decimal digits;
// 0 when there are none. Saturates at the int range instead of overflowing.
int ParseLeadingInt(std::string_view text);

// Value of the decimal digits at the very start of text (no blanks, no sign); 0 when there are none.
// Saturates at the int range.
int ParseLeadingDigits(std::string_view text);

// True when every byte of text is an ASCII digit (also for the empty text).
bool IsAllDigits(std::string_view text);

// The placeholders %s and %d of format replaced by values in order; placeholders beyond the
// values stay, and a value that itself holds "%s" stays as it is.
std::string FillPlaceholders(std::string_view format, std::initializer_list<std::string_view> values);

// Removes ASCII white space (blank, tab, CR, LF, VT, FF) at both ends.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
std::string_view TrimLeftView(std::string_view text);

// Number of bytes of the UTF-8 character that starts with lead byte c (1 for a stray byte).
int Utf8CharLength(unsigned char c);

// Byte offset of the n-th character (counted from 0) of UTF-8 text; text.size() when past the end.
std::size_t Utf8Offset(std::string_view text, std::size_t n);

// Number of characters of UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// Appends code point cp (at most U+10FFFF) encoded as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Splits at every occurrence of sep.
std::vector<std::string> Split(std::string_view text, char sep);

}  // namespace moxtel
