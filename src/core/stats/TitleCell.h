#pragma once

#include <string>
#include <string_view>

namespace moxtel {

// What a statistics run takes from the title cell A1: "YYYYMMDD name (code)".
struct TitleParts {
    std::string titleText;  // A1 unchanged
    std::string tradeDate;  // the first 8 characters after leading white space
    std::string stockCode;  // the rest, with one character removed at the first blank
};

// Works on UTF-8 characters, so a Chinese stock name is never split inside a character.
TitleParts ParseTitleCell(std::string_view a1);

}  // namespace moxtel
