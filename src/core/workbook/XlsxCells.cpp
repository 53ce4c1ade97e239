// The cells of an .xlsx sheet and its shared strings, read as their parts stream by.
#include "core/workbook/XlsxCells.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/common/TextUtil.h"
#include "core/workbook/Utf8Check.h"
#include "core/workbook/XlsxRowScan.h"

namespace moxtel::xlsx {

Error Fail(const std::string& what) { return Error{"xlsx: " + what}; }

bool IsTrue(std::string_view value) { return value == "1" || value == "true"; }

bool ParseUnsignedSlow(std::string_view text, std::uint64_t& value) {
    text = TrimView(text);
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Spreadsheet text escapes characters XML cannot hold as _xHHHH_ (_x000D_ is a carriage return,
// _x005F_ a literal underscore).
std::string DecodeEscapes(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' && text[i + 6] == '_' &&
            std::all_of(text.begin() + i + 2, text.begin() + i + 6, IsHex)) {
            std::uint32_t cp = 0;
            std::from_chars(text.data() + i + 2, text.data() + i + 6, cp, 16);
            AppendUtf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);  // a lone half of a pair
            i += 7;
        } else {
            out += text[i++];
        }
    }
    return out;
}

namespace {

// The shared strings, streamed: each stored once in the sheet's texts (bytes that are not UTF-8
// replaced). An item's text is its own <t>, or the <t> of every rich-text run; phonetic runs are skipped.
class SharedStringsHandler : public XmlHandler {
public:
    SharedStringsHandler(TextStore& texts, std::vector<std::string_view>& strings) : m_texts(texts), m_strings(strings) {}
    bool Ok() const override { return m_texts.Bytes() <= kMaxSheetTextBytes; }

    void Start(std::string_view name, const std::vector<Attribute>&) override {
        ++m_depth;
        if (m_depth == 2 && name == "si") {
            m_inItem = true;
            m_text.clear();
        } else if (m_inItem && name == "t" && (m_depth == 3 || (m_depth == 4 && m_inRun))) {
            m_capture = true;
        } else if (m_inItem && m_depth == 3 && name == "r") {
            m_inRun = true;
        }
    }
    void End(std::string_view name) override {
        if (m_depth == 2 && name == "si" && m_inItem) {
            std::string scratch;
            m_strings.push_back(m_texts.Add(RepairUtf8(DecodeEscapes(m_text), scratch)));
            m_inItem = false;
        }
        if (name == "t") m_capture = false;
        if (m_depth == 3 && name == "r") m_inRun = false;
        --m_depth;
    }
    void Text(std::string_view text) override {
        if (m_capture) m_text += text;
    }

private:
    TextStore& m_texts;
    std::vector<std::string_view>& m_strings;
    int m_depth = 0;
    bool m_inItem = false, m_inRun = false, m_capture = false;
    std::string m_text;
};


// "B12" -> column 2, row 12; false when the text is not a reference inside the grid.
bool ParseCellRef(std::string_view ref, std::uint32_t& row, std::uint32_t& column) {
    const std::size_t letters = std::min<std::size_t>(ref.size(), 3);
    std::size_t i = 0;
    std::uint64_t col = 0, r = 0;
    for (; i < letters; ++i) {
        const unsigned letter = (static_cast<unsigned char>(ref[i]) | 0x20u) - unsigned{'a'};  // A-Z, a-z: 0-25
        if (letter > 25) break;
        col = col * 26 + letter + 1;
    }
    if (i == 0 || !ParseUnsigned(ref.substr(i), r)) return false;
    if (col > kMaxColumns || r == 0 || r > kMaxRows) return false;
    row = static_cast<std::uint32_t>(r);
    column = static_cast<std::uint32_t>(col);
    return true;
}

// One to eight digits alone, as counts and lots are written, read at once.
inline bool QuickWhole(std::string_view text, double& out) {
    if (text.size() - 1 >= 8) return false;
    std::uint32_t whole = 0;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        if (digit > 9) return false;
        whole = whole * 10 + digit;
    }
    out = whole;
    return true;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Digits, a point and digits, 19 digits at most (a price, a time of day): the number QuickDouble
// makes of them, made the shortest way. False leaves any other text to QuickDouble.
bool QuickDecimal(std::string_view text, double& out) {
    if (text.size() - 3 > 17) return false;  // 3 to 20 bytes: no more than 19 digits
    const char* p = text.data();
    const char* const e = p + text.size();
    std::uint64_t mantissa = 0;
    for (unsigned digit = 0; p < e && (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) <= 9; ++p)
        mantissa = mantissa * 10 + digit;
    if (p == text.data() || e - p < 2 || *p != '.') return false;
    const char* const fraction = ++p;
    if constexpr (std::endian::native == std::endian::little) {
        for (; e - p >= 8; p += 8) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, p, 8);
            if (!EightDigits(chunk)) return false;
            mantissa = mantissa * 100000000 + EightDigitsValue(chunk - 0x3030303030303030);
        }
    }
    for (; p < e; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) return false;
        mantissa = mantissa * 10 + digit;
    }
    if (mantissa > (std::uint64_t{1} << 53)) return false;
    out = static_cast<double>(mantissa) / kPow10[e - fraction];
    return true;
}

// A decimal number as spreadsheets write it ("-12.5", "0.3958333333333333", "1E-3"), converted
// when its digits and its power of ten are exact doubles: one rounding then gives the nearest
// double, as from_chars does. False leaves any other text to from_chars.
bool QuickDouble(std::string_view text, double& out) {
    const char* p = text.data();
    const char* const e = p + text.size();
    const bool negative = p < e && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;  // wraps only past 19 digits, which are refused below
    int digits = 0;              // leading zeros do not count against the 19
    int scale = 0;
    const auto takeDigits = [](const char* at, const char* end, std::uint64_t& m, int& counted) {
        if (m == 0) {
            while (at < end && *at == '0') ++at;  // zeros ahead of the first other digit
        }
        const char* const counting = at;
        if constexpr (std::endian::native == std::endian::little) {
            // Eight digits a step, as the fraction of a time of day has them; the same sum, wrapped
            // alike, as digit by digit below.
            while (end - at >= 8) {
                std::uint64_t chunk = 0;
                std::memcpy(&chunk, at, 8);
                if (!EightDigits(chunk)) break;
                m = m * 100000000 + EightDigitsValue(chunk - 0x3030303030303030);
                at += 8;
            }
        }
        for (; at < end; ++at) {
            const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
            if (digit > 9) break;
            m = m * 10 + digit;
        }
        counted += static_cast<int>(std::min<std::ptrdiff_t>(at - counting, 1000));  // beyond 19 it is refused
        return at;
    };
    const char* const start = p;
    p = takeDigits(p, e, mantissa, digits);
    if (p == start) return false;
    if (p < e && *p == '.') {
        const char* const fraction = ++p;
        p = takeDigits(p, e, mantissa, digits);
        if (p == fraction) return false;
        scale = -static_cast<int>(p - fraction);  // a value's text is far below 2^31 bytes
    }
    if (digits > 19) return false;
    const auto digit = [&] { return p < e && static_cast<unsigned>(*p - '0') <= 9; };
    if (p < e && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool down = p < e && *p == '-';
        if (p < e && (*p == '-' || *p == '+')) ++p;
        if (!digit()) return false;
        int exponent = 0;
        while (digit()) {
            if (exponent > 1000) return false;
            exponent = exponent * 10 + (*p++ - '0');
        }
        scale += down ? -exponent : exponent;
    }
    if (p != e || mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
    const double magnitude = static_cast<double>(mantissa);
    const double value = scale < 0 ? magnitude / kPow10[-scale] : magnitude * kPow10[scale];
    out = negative ? -value : value;
    return true;
}

// A number cell's text the shortest way it can be read; false leaves it to from_chars.
bool QuickNumber(std::string_view text, double& out) {
    return QuickWhole(text, out) || QuickDecimal(text, out) || QuickDouble(text, out);
}

// The t attribute of a cell.
enum class CellType { Number, SharedString, InlineString, FormulaString, Boolean, Error, Date };

inline CellType TypeOf(std::string_view t) {
    if (t.size() == 1) {
        switch (t[0]) {
        case 's': return CellType::SharedString;
        case 'b': return CellType::Boolean;
        case 'e': return CellType::Error;
        case 'd': return CellType::Date;
        default: return CellType::Number;  // "n", and whatever else a writer puts there
        }
    }
    if (t == "inlineStr") return CellType::InlineString;
    if (t == "str") return CellType::FormulaString;
    return CellType::Number;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// An ISO 8601 value of a t="d" cell ("2000-01-01T09:30:01") as a serial date of the workbook.
bool ParseIsoDate(std::string_view text, bool date1904, double& serial) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0;
    char rest[2] = {};
    const std::string copy(TrimView(text));
    const int n = std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%1s", &y, &mo, &d, &h, &mi, &s, rest);
    const bool utc = n == 7 && rest[0] == 'Z';
    if ((n != 3 && n != 6 && !utc) || mo < 1 || mo > 12 || d < 1 || d > 31 || !std::isfinite(s)) return false;
    const std::int64_t epoch = date1904 ? DaysFromCivil(1904, 1, 1) : DaysFromCivil(1899, 12, 30);
    serial = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - epoch) +
             (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return true;
}

// Cells of <sheetData>, taken as the sheet part streams by: only the cell being read is kept.
// With quick rows, a row of the shapes ScanRow knows is read straight from the bytes and its cells
// taken under the same rules, in the same order, as the XML reader's events give them; a row of
// another shape is left to the XML reader. ScanRow reads a row whole before any of its cells is
// taken, so the markup is known to be sound; a bad value fails the read either way, as it would.
class SheetHandler : public XmlHandler {
public:
    SheetHandler(SheetModel& sheet, const std::vector<std::string_view>& strings, const FormatOfStyle& formatOf,
                 RowReading reading)
        : m_sheet(sheet), m_strings(strings), m_formatOf(formatOf), m_quick(reading == RowReading::Quick) {}

    const Status& Outcome() const { return m_status; }
    bool Ok() const override { return m_status.ok(); }

    void Start(std::string_view name, const std::vector<Attribute>& attributes) override {
        ++m_depth;
        if (m_depth == 1) {
            if (name != "worksheet") m_status = Fail("the active sheet is not a worksheet");
        } else if (m_depth == 2 && name == "sheetData") {
            m_inData = true;
            m_scanning = m_quick;
        } else if (m_inData && m_depth == 3 && name == "row") {
            StartRow(Find(attributes).r);
        } else if (m_inData && m_depth == 4 && name == "c") {
            StartCell(Find(attributes));
            m_inCell = true;
            m_hasValue = false;
            m_value.clear();
        } else if (m_inCell) {
            StartInCell(name);
        }
    }

    void End(std::string_view name) override {
        if (m_inCell && m_depth == 4 && name == "c") {
            m_inCell = false;
            if (m_hasValue) TakeCell(m_value);
        }
        if (m_inData && m_depth == 3) m_scanning = m_quick;  // a row read here: the next may be scanned
        if (m_depth == 2 && name == "sheetData") m_inData = m_scanning = false;
        if (m_capture == m_depth) m_capture = 0;
        if (m_skipTo == m_depth) m_skipTo = 0;
        --m_depth;
    }

    void Text(std::string_view text) override {
        if (m_capture && !m_skipTo) m_value += text;
    }

    bool Scanning() const override { return m_scanning; }
    std::size_t Scan(std::string_view bytes) override;

private:
    // Longest stretch of a row held to read it whole; a longer row is left to the XML reader.
    static constexpr std::size_t kMaxScanBytes = 1u << 20;

    // The first r, s and t attributes, by local name; an empty value still counts as there.
    static TagAttributes Find(const std::vector<Attribute>& attributes) {
        TagAttributes found;
        for (const Attribute& a : attributes) {
            if (a.name.size() != 1) continue;
            const char name = a.name[0];
            std::string_view* slot = name == 'r' ? &found.r : name == 's' ? &found.s : name == 't' ? &found.t : nullptr;
            if (slot && !slot->data()) *slot = a.value.data() ? a.value : std::string_view("", 0);
        }
        return found;
    }

    void StartRow(std::string_view rText) {
        std::uint64_t r = 0;
        m_row = rText.data() && ParseUnsigned(rText, r) && r >= 1 && r <= kMaxRows ? static_cast<std::uint32_t>(r)
                                                                                   : m_row + 1;
        m_column = 0;
    }

    void StartCell(const TagAttributes& attributes) {
        m_cell = CellValue{};
        m_cell.row = m_row;
        m_cell.column = m_column + 1;
        if (attributes.r.data()) ParseCellRef(attributes.r, m_cell.row, m_cell.column);
        m_column = m_cell.column;
        std::uint64_t style = 0;
        if (attributes.s.data() && ParseUnsigned(attributes.s, style)) m_cell.formatId = FormatOf(style);
        m_type = attributes.t.data() ? TypeOf(attributes.t) : CellType::Number;
    }

    // StartCell for a scanned cell, with the numbers the scanner read of its attributes.
    void StartCell(const ScannedCell& scanned) {
        if (scanned.column == 0) return StartCell(scanned.attributes);
        m_cell = CellValue{};
        m_cell.row = scanned.row;
        m_cell.column = m_column = scanned.column;
        std::uint64_t style = scanned.style;
        if (scanned.styleRead || (scanned.attributes.s.data() && ParseUnsigned(scanned.attributes.s, style)))
            m_cell.formatId = FormatOf(style);
        m_type = scanned.attributes.t.data() ? TypeOf(scanned.attributes.t) : CellType::Number;
    }

    // The format of a cell style, asked once per style: a style's format never changes, and cells
    // mostly share a few styles, the low-numbered ones kept in a table.
    std::uint32_t FormatOf(std::uint64_t style) {
        if (style < m_formatOfLowStyle.size()) {
            std::uint32_t& format = m_formatOfLowStyle[style];
            if (format == kNotAsked) format = m_formatOf(style);
            return format;
        }
        if (style != m_lastStyle) {
            m_lastStyle = style;
            m_lastFormat = m_formatOf(style);
        }
        return m_lastFormat;
    }

    // <v> holds the value; <is> an inline string whose <t> and rich-text <r><t> count, phonetic runs not.
    void StartInCell(std::string_view name) {
        const bool inlineString = m_type == CellType::InlineString;
        if (m_depth == 5 && name == "v" && !inlineString) {
            m_capture = m_depth;
            m_hasValue = true;
        } else if (m_depth == 5 && name == "is" && inlineString) {
            m_hasValue = true;
        } else if (inlineString && name == "t" && (m_depth == 6 || m_depth == 7) && !m_capture) {
            m_capture = m_depth;
        } else if (m_depth == 6 && name == "rPh") {
            m_skipTo = m_depth;
        }
    }

    // Why a cell that holds a value could not be taken.
    enum class Failure : std::uint8_t { None, SharedStringIndex, Date, Number, TooLarge };

    static Error Describe(Failure failure) {
        switch (failure) {
        case Failure::SharedStringIndex: return Fail("bad shared string index");
        case Failure::Date: return Fail("bad date value");
        case Failure::Number: return Fail("bad number value");  // also "inf" and "nan", which no spreadsheet stores
        default: return SheetModel::TooLarge();
        }
    }

    // Stores the cell that holds a value, with that value's text; false, with the reason in
    // m_status, when it cannot.
    bool TakeCell(std::string_view text) {
        if (m_cell.row > kMaxRows || m_cell.column > kMaxColumns) return true;
        std::string_view kept;
        bool keepsText = false;
        Failure failure = ReadValue(text, kept, keepsText);
        if (failure == Failure::None && m_cell.kind != CellValue::Kind::Empty) {
            if (keepsText) m_cell.text = Keep(kept);
            if (!m_sheet.Add(m_cell)) failure = Failure::TooLarge;
        }
        if (failure == Failure::None) return true;
        m_status = Describe(failure);
        return false;
    }

    // The value of the cell from its text; a text the sheet must keep is left in kept.
    Failure ReadValue(std::string_view text, std::string_view& kept, bool& keepsText) {
        switch (m_type) {
        case CellType::InlineString:
        case CellType::FormulaString:
            m_cell.kind = CellValue::Kind::Text;
            keepsText = true;
            kept = Unescaped(text);
            break;
        case CellType::SharedString: {
            std::uint64_t index = 0;
            if (!ParseUnsigned(text, index) || index >= m_strings.size()) return Failure::SharedStringIndex;
            m_cell.kind = CellValue::Kind::Text;
            m_cell.text = m_strings[index];
            break;
        }
        case CellType::Boolean:
            m_cell.kind = CellValue::Kind::Boolean;
            m_cell.number = IsTrue(text) ? 1.0 : 0.0;
            break;
        case CellType::Error:
            m_cell.kind = CellValue::Kind::Error;
            keepsText = true;
            kept = text;
            break;
        case CellType::Date:
            if (!ParseIsoDate(text, m_sheet.date1904, m_cell.number)) return Failure::Date;
            m_cell.kind = CellValue::Kind::Number;
            break;
        case CellType::Number: {
            if (QuickNumber(text, m_cell.number)) {
                m_cell.kind = CellValue::Kind::Number;
                break;
            }
            const std::string_view number = TrimView(text);
            if (number.empty()) return Failure::None;
            const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), m_cell.number);
            if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(m_cell.number))
                return Failure::Number;
            m_cell.kind = CellValue::Kind::Number;
            break;
        }
        }
        return Failure::None;
    }

    void ReadScannedRow();

    // The text with its _xHHHH_ escapes decoded; most texts have none and are not copied.
    std::string_view Unescaped(std::string_view text) {
        if (text.find("_x") == std::string_view::npos) return text;
        m_unescaped = DecodeEscapes(text);
        return m_unescaped;
    }

    std::string_view Keep(std::string_view text) {
        // A text of one ASCII character (B, S: the side of a trade) is stored once, and ASCII needs
        // no repair.
        if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) {
            std::string_view& kept = m_keptCharacters[static_cast<unsigned char>(text[0])];
            if (!kept.data()) kept = m_sheet.texts.Add(text);
            return kept;
        }
        return m_sheet.texts.Add(RepairUtf8(text, m_scratch));
    }

    SheetModel& m_sheet;
    const std::vector<std::string_view>& m_strings;
    const FormatOfStyle& m_formatOf;
    const bool m_quick;
    Status m_status = Done{};
    int m_depth = 0;
    int m_capture = 0;  // depth of the element whose text is being collected, 0 for none
    int m_skipTo = 0;   // depth of a phonetic run being skipped, 0 for none
    bool m_inData = false;
    bool m_inCell = false;
    bool m_hasValue = false;
    bool m_scanning = false;  // the next rows are offered to ScanRow
    std::uint32_t m_row = 0;
    std::uint32_t m_column = 0;
    static constexpr std::uint32_t kNotAsked = 0xFFFFFFFFu;
    std::array<std::uint32_t, 64> m_formatOfLowStyle = [] {
        std::array<std::uint32_t, 64> formats{};
        formats.fill(kNotAsked);
        return formats;
    }();
    std::uint64_t m_lastStyle = ~std::uint64_t{0};  // of the others, the style looked up last, and its format
    std::uint32_t m_lastFormat = 0;
    CellValue m_cell;
    CellType m_type = CellType::Number;
    std::string m_value;
    std::string m_unescaped, m_scratch, m_resolved;
    std::array<std::string_view, 128> m_keptCharacters{};  // by character, as stored
    ScannedRow m_scanned;
};

std::size_t SheetHandler::Scan(std::string_view bytes) {
    std::size_t used = 0;  // to the end of the last row read; text between rows means nothing
    while (true) {
        // Rows mostly follow one another with nothing between.
        const std::size_t lt = used < bytes.size() && bytes[used] == '<' ? used : bytes.find('<', used);
        if (lt == std::string_view::npos) break;
        const ScanOutcome outcome = ScanRow(bytes.substr(lt), m_scanned);
        if (outcome == ScanOutcome::NeedMore) break;
        if (outcome == ScanOutcome::Unknown) {
            m_scanning = false;  // the end of the sheet's data, or a row for the XML reader
            return lt;
        }
        ReadScannedRow();
        used = lt + m_scanned.length;
        if (!Ok()) return used;
    }
    if (bytes.size() - used > kMaxScanBytes) m_scanning = false;
    return used;
}

// The cells of m_scanned under the rules of the events above: what the XML reader's Start, Text
// and End calls would do with the same row.
void SheetHandler::ReadScannedRow() {
    StartRow(m_scanned.attributes.r);
    for (const ScannedCell& scanned : m_scanned.cells) {
        StartCell(scanned);
        // A number as most cells hold, stored straight away; anything else is taken below.
        if (scanned.holds == ScannedCell::Holds::Value && m_type == CellType::Number && !scanned.resolve &&
            m_cell.row <= kMaxRows && m_cell.column <= kMaxColumns &&
            QuickNumber(scanned.text, m_cell.number)) {
            m_cell.kind = CellValue::Kind::Number;
            if (m_sheet.Add(m_cell)) continue;
            m_status = SheetModel::TooLarge();
            return;
        }
        const bool inlineString = m_type == CellType::InlineString;
        if (scanned.holds == ScannedCell::Holds::Nothing ||
            (scanned.holds == ScannedCell::Holds::InlineText) != inlineString)
            continue;  // no value: <v> of an inline string, or <is> of any other cell, count for nothing
        std::string_view text = scanned.text;
        if (scanned.resolve) {
            m_value.clear();
            m_resolved.clear();
            AppendNormalised(text, m_resolved);
            AppendResolved(m_resolved, m_value);
            text = m_value;
        }
        if (!TakeCell(text)) return;
    }
}

}  // namespace

Result<std::vector<std::string_view>> ReadSharedStrings(const PartStreamer& part, TextStore& texts) {
    std::vector<std::string_view> strings;
    SharedStringsHandler handler(texts, strings);
    if (Status s = part(handler); !s) return s.error();
    if (!handler.Ok()) return SheetModel::TooLarge();
    return strings;
}

Status ReadSheetCells(const PartStreamer& part, SheetModel& sheet, const std::vector<std::string_view>& strings,
                      const FormatOfStyle& formatOf, RowReading reading) {
    SheetHandler handler(sheet, strings, formatOf, reading);
    if (Status s = part(handler); !s) return s;
    return handler.Outcome();
}

}  // namespace moxtel::xlsx
