#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Parsed form of a spreadsheet number format code, shared by the renderers of NumberFormat.cpp.
namespace moxtel::numfmt {

enum class Tok : std::uint8_t {
    Literal,  // text shown as it stands (quoted text, \x, _x as a blank, ...)
    Zero,
    Hash,
    Question,  // digit placeholders 0 # ?
    Point,
    Comma,
    Percent,   // a Comma left in place is a separator or a scaling comma
    Exponent,  // text "E+", "E-", "e+" or "e-"
    Slash,
    Denominator,  // fraction bar; fixed denominator digits in text
    At,
    General,  // the text of a text cell; the General rendering
    Year2,
    Year4,
    Month,
    Month2,
    MonthAbbr,
    MonthFull,
    MonthLetter,
    Day,
    Day2,
    WeekdayAbbr,
    WeekdayFull,
    WeekdayShort,
    WeekdayLong,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    SubSecond,  // width = number of digits (1..3)
    AmPm,       // text = the two designators around a '/', e.g. "AM/PM", "上午/下午"
    ElapsedHours,
    ElapsedMinutes,
    ElapsedSeconds,  // [h] [m] [s]; width = minimum digits
};

// Where a digit placeholder sits in a number section.
enum class Zone : std::uint8_t { None, Integer, Fraction, Exponent, Numerator, Denominator };

struct Token {
    Tok kind = Tok::Literal;
    std::string text;
    int width = 0;
    Zone zone = Zone::None;
    int index = 0;  // position of a placeholder inside its zone, from the left
};

enum class CondOp : std::uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

// What the digit placeholders of a number section add up to.
struct NumberLayout {
    int integerDigits = 0;
    int fractionDigits = 0;
    int exponentDigits = 0;
    int numeratorDigits = 0;
    int denominatorDigits = 0;
    int fixedDenominator = 0;  // "# ?/8"
    int percents = 0;          // each % multiplies by 100
    int scalingCommas = 0;     // each divides by 1000
    bool thousands = false;
    bool integerHasHash = false;  // selects engineering exponents ("##0.0E+0")
    bool scientific = false;
    bool fraction = false;
    bool hasDigits = false;
    bool general = false;
};

struct Section {
    std::vector<Token> tokens;
    CondOp op = CondOp::None;
    double operand = 0.0;
    bool isDate = false;   // holds date or time codes
    bool hasText = false;  // holds @
    bool hasAmPm = false;
    int subSecondDigits = 0;
    NumberLayout layout;
};

struct ParsedFormat {
    std::vector<Section> sections;
    int numberSections = 0;  // the sections used for numbers, from the first
    int textSection = -1;    // index of the section used for text cells, -1 when none
};

// Parses a format code; never fails: what cannot be read is shown literally or dropped.
std::shared_ptr<const ParsedFormat> ParseFormatCode(std::string_view code);

// Same, through a small cache of recently used codes (formatting happens once per cell).
std::shared_ptr<const ParsedFormat> CachedFormat(std::string_view code);

bool ConditionHolds(const Section& section, double value);

// Assigns the digit placeholders of a tokenized number section to their zones and fills its layout.
void AnalyseNumberSection(Section& section);

}  // namespace moxtel::numfmt
