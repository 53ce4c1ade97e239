// Delimited text as trading programs write it when they "export to Excel": one line per row,
// cells split by tabs (or commas when the file has no tab at all). Cells are kept as the text
// they are; nothing is parsed as a number.

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "common/TextUtil.h"
#include "workbook/Utf8Check.h"
#include "workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

Error Fail(const std::string& what) { return Error{"text table: " + what}; }

// Well-formed UTF-8 without NUL: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsCleanUtf8(std::string_view s) {
    return ValidUtf8Prefix(s) == s.size() && s.find('\0') == std::string_view::npos;
}

// UTF-16 with the byte order given; false on an odd length, a lone surrogate or a NUL character.
bool Utf16ToUtf8(std::string_view s, bool bigEndian, std::string& out) {
    if (s.size() % 2 != 0) return false;
    out.reserve(s.size() * 3 / 2);
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto hi = static_cast<unsigned char>(s[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(s[bigEndian ? i + 1 : i]);
        return (static_cast<std::uint32_t>(hi) << 8) | lo;
    };
    for (std::size_t i = 0; i < s.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp == 0 || (cp >= 0xDC00 && cp <= 0xDFFF)) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 4 > s.size()) return false;
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(out, cp);
    }
    return true;
}

// GB18030 (a superset of GBK and GB2312) through the C library's iconv; false on any byte
// sequence that is not GB18030, a cut-off character at the end included.
bool Gb18030ToUtf8(std::string_view s, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    // At most 3 bytes out per 2 in (4 per 4): the room is reserved, and only what the text fills
    // is touched, piece by piece.
    out.clear();
    out.reserve(s.size() / 2 * 3 + 4);
    char* in = const_cast<char*>(s.data());  // iconv does not write its input
    std::size_t inLeft = s.size();
    char piece[64 * 1024];
    bool ok = true;
    while (inLeft > 0 && ok) {
        char* o = piece;
        std::size_t outLeft = sizeof piece;
        const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
        ok = rc != static_cast<std::size_t>(-1) || errno == E2BIG;
        out.append(piece, sizeof piece - outLeft);
    }
    iconv_close(cd);
    return ok && inLeft == 0;
}

// The text as UTF-8. Clean UTF-8 is the bytes themselves, taken over; any other text is decoded
// and its bytes are let go at once.
Result<std::string> DecodeToUtf8(std::string&& owned) {
    std::string_view bytes = owned;
    std::string out;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        if (!IsCleanUtf8(bytes.substr(3))) return Fail("invalid UTF-8");
        owned.erase(0, 3);
        return std::move(owned);
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        const bool decoded = Utf16ToUtf8(bytes.substr(2), bigEndian, out);
        std::string().swap(owned);
        if (!decoded) return Fail("invalid UTF-16");
        return out;
    }
    if (bytes.find('\0') != std::string_view::npos) return Fail("binary data");
    if (IsCleanUtf8(bytes)) return std::move(owned);
    const bool decoded = Gb18030ToUtf8(bytes, out);
    std::string().swap(owned);
    if (!decoded) return Fail("neither UTF-8 nor GB18030 text");
    return out;
}

// Three sinks take what the splitters below find. TableBuilder collects the fields into cells:
// row 1 is the first line, column 1 the first field.
class TableBuilder {
public:
    explicit TableBuilder(SheetModel& sheet) : m_sheet(sheet) {}

    // A whole field that stands in the adopted text as it is: kept as a view, not copied.
    void Field(std::string_view text) {
        if (!text.empty() && m_row <= kMaxRows && m_column <= kMaxColumns) Store(text);
        ++m_column;
    }
    void Line(std::string_view lastField) {
        Field(lastField);
        ++m_row;
        m_column = 1;
    }

    void Append(char c) { m_field += c; }
    void NextLine(std::size_t) {}
    bool Full() const { return m_full || m_row > kMaxRows; }
    bool Refused() const { return m_full; }

    void EndField() {
        if (!m_field.empty() && m_row <= kMaxRows && m_column <= kMaxColumns) Store(m_sheet.texts.Add(m_field));
        m_field.clear();
        ++m_column;
    }

    void EndLine() {
        EndField();
        ++m_row;
        m_column = 1;
    }

private:
    void Store(std::string_view text) {
        CellValue value;
        value.row = m_row;
        value.column = m_column;
        value.kind = CellValue::Kind::Text;
        value.text = text;
        if (!m_sheet.Add(value)) m_full = true;
    }

    SheetModel& m_sheet;
    std::uint32_t m_row = 1;
    std::uint32_t m_column = 1;
    std::string m_field;
    bool m_full = false;  // the sheet's cell or text bound is reached
};

// Two more sinks follow the splitters below: LineIndex notes where each line starts when the file is
// opened; FieldCutter takes one field out of one line when a cell is read.
class LineIndex {
public:
    explicit LineIndex(std::vector<std::uint32_t>& starts) : m_starts(starts) { m_starts.push_back(0); }
    void Field(std::string_view) {}
    void Line(std::string_view) {}
    void Append(char) {}
    void EndField() {}
    void EndLine() {}
    void NextLine(std::size_t at) { m_starts.push_back(static_cast<std::uint32_t>(at)); }
    bool Full() const { return m_starts.size() > kMaxRows; }

private:
    std::vector<std::uint32_t>& m_starts;
};

class FieldCutter {
public:
    FieldCutter(std::uint32_t column, std::string& scratch) : m_wanted(column), m_scratch(scratch) {}
    void Field(std::string_view text) {
        if (++m_column == m_wanted) Found(text);
    }
    void Line(std::string_view text) {
        Field(text);
        m_done = true;
    }
    void Append(char c) {
        if (m_column + 1 == m_wanted) m_scratch += c;
    }
    void EndField() {
        if (++m_column == m_wanted) Found(m_scratch);
    }
    void EndLine() {
        EndField();
        m_done = true;
    }
    void NextLine(std::size_t) {}
    bool Full() const { return m_done; }
    std::string_view Result() const { return m_result; }

private:
    void Found(std::string_view text) {
        m_result = text;
        m_done = true;
    }
    std::uint32_t m_wanted;
    std::uint32_t m_column = 0;
    std::string& m_scratch;
    std::string_view m_result;
    bool m_done = false;
};

// Length of the line break at text[i] (CR LF, LF or a lone CR), 0 when there is none.
std::size_t LineBreakAt(std::string_view text, std::size_t i) {
    if (text[i] == '\n') return 1;
    if (text[i] == '\r') return i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    return 0;
}

template <typename Sink>
void SplitTabs(std::string_view text, Sink& table) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && !table.Full();) {
        const std::size_t lineBreak = LineBreakAt(text, i);
        if (text[i] != '\t' && lineBreak == 0) {
            ++i;
            continue;
        }
        if (lineBreak) {
            table.Line(text.substr(start, i - start));
            i += lineBreak;
            table.NextLine(i);
        } else {
            table.Field(text.substr(start, i - start));
            ++i;
        }
        start = i;
    }
    table.Line(text.substr(std::min(start, text.size())));
}

// Comma-separated fields; a field that starts with a quote runs to the closing quote, may hold
// commas and line breaks, and writes a quote as two quotes.
template <typename Sink>
void SplitCommas(std::string_view text, Sink& table) {
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size() && !table.Full();) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                table.Append('"');
                i += 2;
            } else if (c == '"') {
                quoted = false;
                ++i;
            } else if (const std::size_t lineBreak = LineBreakAt(text, i)) {
                table.Append('\n');
                i += lineBreak;
            } else {
                table.Append(c);
                ++i;
            }
            continue;
        }
        if (const std::size_t lineBreak = LineBreakAt(text, i)) {
            table.EndLine();
            i += lineBreak;
            table.NextLine(i);
            fieldStart = true;
            continue;
        }
        if (c == ',') {
            table.EndField();
            fieldStart = true;
        } else if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else {
            table.Append(c);
            fieldStart = false;
        }
        ++i;
    }
    table.EndLine();
}

}  // namespace

namespace {

Result<SheetModel> TableFromText(Result<std::string> text, std::size_t linesAbove) {
    if (!text) return text.error();
    if (text->empty()) return Fail("empty file");
    if (text->size() > kMaxSheetTextBytes * 2) return SheetModel::TooLarge();

    SheetModel sheet;
    sheet.maxRows = kMaxRows;
    sheet.maxColumns = kMaxColumns;
    const std::string_view kept = sheet.texts.Adopt(std::move(*text));
    const bool commas = kept.find('\t') == std::string_view::npos;
    if (kept.size() <= linesAbove) {  // a cell for each field, views into the decoded text
        TableBuilder table(sheet);
        if (commas)
            SplitCommas(kept, table);
        else
            SplitTabs(kept, table);
        if (table.Refused()) return SheetModel::TooLarge();
    } else {  // the start of each line only: 4 bytes a row, whatever the number of fields
        auto lines = std::make_unique<DelimitedLines>();
        lines->text = kept;
        lines->commas = commas;
        LineIndex index(lines->starts);
        if (commas)
            SplitCommas(kept, index);
        else
            SplitTabs(kept, index);
        if (lines->starts.back() != kept.size()) lines->starts.push_back(static_cast<std::uint32_t>(kept.size()));
        sheet.lines = std::move(lines);
    }
    sheet.Finish();
    return sheet;
}

}  // namespace

Result<SheetModel> ReadTextTable(std::string_view bytes, std::size_t linesAbove) {
    return ReadTextTable(std::string(bytes), linesAbove);
}

Result<SheetModel> ReadTextTable(std::string&& bytes, std::size_t linesAbove) {
    if (bytes.empty()) return Fail("empty file");
    return TableFromText(DecodeToUtf8(std::move(bytes)), linesAbove);
}

std::string_view CutField(const DelimitedLines& lines, std::uint32_t row, std::uint32_t column, std::string& scratch) {
    if (row == 0 || column == 0 || column > kMaxColumns || row >= lines.starts.size()) return {};
    const std::uint32_t start = lines.starts[row - 1];
    const std::string_view line = lines.text.substr(start, lines.starts[row] - start);
    scratch.clear();
    FieldCutter cutter(column, scratch);
    if (lines.commas)
        SplitCommas(line, cutter);
    else
        SplitTabs(line, cutter);
    return cutter.Result();
}

}  // namespace moxtel
