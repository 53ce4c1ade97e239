#pragma once

#include <string>
#include <string_view>

namespace moxtel {

// Length of the well-formed UTF-8 prefix of text: no overlong forms, no surrogates, nothing
// above U+10FFFF. text.size() when all of it is well formed.
std::size_t ValidUtf8Prefix(std::string_view text);

// text with every byte that does not start a well-formed UTF-8 character replaced by U+FFFD.
// Returns text itself (no copy made into scratch) when it is already well formed.
std::string_view RepairUtf8(std::string_view text, std::string& scratch);

}  // namespace moxtel
