// Delimited text as trading programs write it when they "export to Excel": one line per row,
// cells split by tabs (or commas when the file has no tab at all). Cells are kept as the text
// they are; nothing is parsed as a number.

#include <memory>
#include <string>
#include <string_view>

#include "core/workbook/TextDecoding.h"
#include "core/workbook/TextLineWindow.h"
#include "core/workbook/TextSplit.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

// TableBuilder collects the fields the splitters find into cells:
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

// FieldCutter takes one field out of one line when a cell is read.
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

// The whole text of a small export, decoded at once.
Result<std::string> DecodeWhole(ByteSource& source, const TextFacts& facts) {
    std::string buffer;
    Result<std::string_view> bytes = source.Read(facts.markBytes, static_cast<std::size_t>(source.Size()), buffer);
    if (!bytes) return bytes.error();
    PieceDecoder decoder(facts.encoding);
    std::string text;
    std::uint64_t produced = 0;
    std::size_t used = 0;
    if (!decoder.Decode(*bytes, true, &text, produced, used)) return TextTableError("the file changed while it was read");
    return text;
}

// A small export gets a cell for each field, views into its decoded text; a large one keeps its
// lines, decoded as they are read.
Result<SheetModel> ReadText(std::unique_ptr<ByteSource> source, const TextReadOptions& options) {
    const Result<TextFacts> facts = CheckText(*source, options.pieceBytes);
    if (!facts) return facts.error();
    SheetModel sheet;
    sheet.maxRows = kMaxRows;
    sheet.maxColumns = kMaxColumns;
    if (facts->decodedBytes <= options.linesAbove) {
        Result<std::string> text = DecodeWhole(*source, *facts);
        if (!text) return text.error();
        const std::string_view kept = sheet.texts.Adopt(std::move(*text));
        TableBuilder table(sheet);
        SplitText(kept, facts->commas, table);
        if (table.Refused()) return SheetModel::TooLarge();
    } else {
        sheet.lines = std::make_unique<DelimitedLines>();
        sheet.lines->commas = facts->commas;
        sheet.lines->window = std::make_unique<TextLineWindow>(std::move(source), *facts, options.pieceBytes, kMaxRows,
                                                                  facts->decodedBytes <= options.keptWhole);
    }
    sheet.Finish();
    return sheet;
}

}  // namespace

Result<SheetModel> ReadTextTable(std::string_view bytes, std::size_t linesAbove) {
    return ReadTextTable(std::string(bytes), TextReadOptions{linesAbove});
}

Result<SheetModel> ReadTextTable(std::string&& bytes, std::size_t linesAbove) {
    return ReadTextTable(std::move(bytes), TextReadOptions{linesAbove});
}

Result<SheetModel> ReadTextTable(std::string bytes, const TextReadOptions& options) {
    return ReadText(MemorySource(std::move(bytes)), options);
}

Result<SheetModel> ReadTextFile(const std::string& path, const TextReadOptions& options) {
    Result<std::unique_ptr<ByteSource>> source = OpenFileSource(path);
    if (!source) return source.error();
    return ReadText(std::move(*source), options);
}

std::string_view CutField(const DelimitedLines& lines, std::uint32_t row, std::uint32_t column, std::string& scratch) {
    std::string_view line;
    if (column == 0 || column > kMaxColumns || !lines.window->Line(row, line)) return {};
    scratch.clear();
    FieldCutter cutter(column, scratch);
    SplitText(line, lines.commas, cutter);
    return cutter.Result();
}

}  // namespace moxtel
