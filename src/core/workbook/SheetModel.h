#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/Result.h"
#include "core/workbook/NumberFormat.h"

namespace moxtel {

// One cell of a sheet as stored in the file, before it is rendered for display.
struct CellValue {
    enum class Kind : std::uint8_t { Empty, Number, Text, Boolean, Error };
    std::uint32_t row = 0;  // from 1
    std::uint32_t column = 0;
    Kind kind = Kind::Empty;
    std::uint32_t formatId = 0;  // index into SheetModel::formatCodes (Number and Text cells)
    double number = 0.0;         // Number; Boolean as 0 or 1
    std::string_view text;       // Text (UTF-8) and Error ("#DIV/0!"); held by the sheet's TextStore
};

// A cell as the sheet keeps it, in 16 bytes: the number, or for a text or error cell the index of
// its text among the sheet's text views.
struct StoredCell {
    static constexpr int kKindShift = 13;
    static constexpr std::uint32_t kFormatMask = (1u << kKindShift) - 1;

    std::uint32_t row = 0;
    std::uint16_t column = 0;
    std::uint16_t formatAndKind = 0;  // format id in the low 13 bits, kind in the top 3
    std::uint64_t value = 0;          // the number's bits, or the text's index
};

// Owns the texts of a sheet. Texts never move once stored, so cells keep views of them; a text
// shared by many cells (a shared string) is stored once.
class TextStore {
  public:
    std::string_view Add(std::string_view text);
    // Takes a whole text over without copying it; cells may keep views of its pieces.
    std::string_view Adopt(std::string&& text);

    // Bytes held, for the readers' memory bound.
    std::size_t Bytes() const { return m_bytes; }

  private:
    static constexpr std::size_t kChunkBytes = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> m_chunks;  // small texts, packed
    std::vector<std::unique_ptr<char[]>> m_blocks;  // long texts, one each
    std::vector<std::unique_ptr<std::string>> m_adopted;  // held by pointer: a short string's bytes move with it
    std::size_t m_used = 0;                         // of the last chunk
    std::size_t m_bytes = 0;
};

class TextLineWindow;

// A delimited text export kept as its lines: a field is cut out of its line when its cell is read.
struct DelimitedLines {
    DelimitedLines();
    ~DelimitedLines();
    bool commas = false;                     // comma-separated (quotes allowed), else tab-separated
    std::unique_ptr<TextLineWindow> window;  // its rows, decoded as they are read
};

// The text of field (row, column) of the lines, "" when there is none; scratch holds it when it
// had to be unquoted. The view is valid until the next call for the same lines.
std::string_view CutField(const DelimitedLines& lines, std::uint32_t row, std::uint32_t column, std::string& scratch);

// Most cells a sheet may hold (some 120 MB of cells), and most bytes of text: beyond these a file
// is refused instead of filling the memory. A day of 600,000 trades still fits.
inline constexpr std::size_t kMaxSheetCells = 3'000'000;
inline constexpr std::size_t kMaxSheetTextBytes = 64u << 20;
// Most distinct number formats a workbook may bring (the spreadsheet allows some 250).
inline constexpr std::size_t kMaxSheetFormats = 4096;
static_assert(kMaxSheetFormats < 8192, "a stored cell keeps its format id in 13 bits");

// The active sheet of a workbook, fully loaded. Rows and columns count from 1. Cells stand in one
// array in row order, columns ascending within a row; readers append with Add and call Finish.
class SheetModel {
  public:
    SheetModel();
    SheetModel(SheetModel&&) noexcept;
    SheetModel& operator=(SheetModel&&) noexcept;
    ~SheetModel();

    std::uint32_t maxRows = 65536;  // the file format's grid: BIFF8 65536 x 256, xlsx 1048576 x 16384
    std::uint32_t maxColumns = 256;
    bool date1904 = false;  // the workbook's date system
    std::string name;       // the sheet's tab name; "" for a text export
    // Number format codes, deduplicated; index 0 is always "General".
    std::vector<std::string> formatCodes{"General"};
    std::vector<StoredCell> cells;
    TextStore texts;
    // Set for a text export instead of cells; Find then cuts the field out of its line.
    std::unique_ptr<DelimitedLines> lines;

    // The cell at (row, column), nullptr when there is none. Only after Finish. The cell returned
    // and its text stay valid until the next Find.
    const CellValue* Find(std::uint32_t row, std::uint32_t column) const;
    // Why a text export's lines could not be read after it was opened (their cells then read as
    // missing), "" while all is well: the file changed since, or the memory ran out.
    std::string_view ReadError() const;

    // Appends a cell; a later cell at the same place replaces an earlier one (after Finish).
    // False when the sheet is full (kMaxSheetCells) or its texts are over kMaxSheetTextBytes.
    // Cells beyond column 65535 lie outside every grid and are dropped.
    bool Add(const CellValue& cell) {
        if (cell.column > 0xFFFF) return true;
        if (cells.size() == cells.capacity() && !Grow()) return false;
        StoredCell stored;
        stored.row = cell.row;
        stored.column = static_cast<std::uint16_t>(cell.column);
        const std::uint32_t format = cell.formatId <= StoredCell::kFormatMask ? cell.formatId : 0;
        stored.formatAndKind =
            static_cast<std::uint16_t>(format | (static_cast<unsigned>(cell.kind) << StoredCell::kKindShift));
        if (cell.kind == CellValue::Kind::Text || cell.kind == CellValue::Kind::Error) {
            stored.value = m_textViews.size();
            m_textViews.push_back(cell.text);
        } else {
            stored.value = std::bit_cast<std::uint64_t>(cell.number);
        }
        cells.push_back(stored);
        return true;
    }
    // The reason a reader gives when Add fails.
    static Error TooLarge();
    // Index of a format code, adding it when new.
    std::uint32_t AddFormat(std::string_view code);
    // Puts the cells in order (they nearly always come in order already) and indexes the rows.
    void Finish();

    // The compiled form of formatCodes[id], compiled on first use; General for an unknown id.
    const CompiledFormat& Format(std::uint32_t id) const {
        if (id < m_compiled.size() && m_compiled[id]) return *m_compiled[id];
        return Compile(id);
    }

    // The stored cell at (row, column) of a sheet of cells (not a text export's lines), nullptr
    // when there is none; read it with the helpers below. Cheaper than Find for the common case.
    const StoredCell* FindStored(std::uint32_t row, std::uint32_t column) const;
    static CellValue::Kind KindOf(const StoredCell& cell) {
        return static_cast<CellValue::Kind>(cell.formatAndKind >> StoredCell::kKindShift);
    }
    static std::uint32_t FormatOf(const StoredCell& cell) { return cell.formatAndKind & StoredCell::kFormatMask; }
    static double NumberOf(const StoredCell& cell) { return std::bit_cast<double>(cell.value); }
    std::string_view TextOf(const StoredCell& cell) const { return m_textViews[static_cast<std::size_t>(cell.value)]; }

  private:
    const CompiledFormat& Compile(std::uint32_t id) const;
    bool Grow();

    std::unordered_map<std::string, std::uint32_t> m_formatIndex;
    std::vector<std::string_view> m_textViews;  // of text and error cells, held by texts
    std::vector<std::uint32_t> m_rowStart;  // row r's cells are [m_rowStart[r], m_rowStart[r + 1])
    mutable std::vector<std::unique_ptr<CompiledFormat>> m_compiled;
    mutable CellValue m_found;  // the cell Find gave last
    mutable std::string m_lineScratch;
};

}  // namespace moxtel
