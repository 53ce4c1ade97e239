// The cell records of the active worksheet's substream.
#include <algorithm>
#include <bit>
#include <optional>

#include "core/workbook/BiffRecords.h"
#include "core/workbook/BiffText.h"
#include "core/workbook/BiffWorkbook.h"
#include "core/workbook/NumberFormat.h"

namespace moxtel::biff {
namespace {

constexpr std::uint32_t kWorksheetType = 0;

std::string_view ErrorText(std::uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        default:
            return "#N/A";
    }
}

// An RK number: 30 bits of either a signed integer or the top of a double, optionally / 100.
double RkValue(std::uint32_t rk) {
    const double value = (rk & 0x02) ? static_cast<double>(static_cast<std::int32_t>(rk) >> 2)
                                     : std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
    return (rk & 0x01) ? value / 100.0 : value;
}

// Fills the sheet model from the cell records of one worksheet substream.
class SheetBuilder {
  public:
    SheetBuilder(const WorkbookGlobals& globals, SheetModel& model)
        : m_globals(globals),
          m_model(model),
          m_decoder(globals.codePage),
          m_formatOfXf(globals.xfFormats.size(), kUnresolved),
          m_shared(globals.sharedStrings.size()),
          m_sharedStored(globals.sharedStrings.size(), false) {}

    // False when the record is damaged.
    bool Cell(std::uint16_t type, RecordCursor& cursor);
    // True once a cell did not fit into the sheet.
    bool Full() const { return m_full; }

  private:
    static constexpr std::uint32_t kUnresolved = 0xFFFFFFFF;

    struct Position {
        std::uint32_t row, column;
        std::uint16_t xf;
    };
    static Position ReadPosition(RecordCursor& cursor) {
        const std::uint32_t row = cursor.U16();
        const std::uint32_t column = cursor.U16();
        return {row + 1, column + 1, cursor.U16()};
    }

    std::uint32_t FormatOf(std::uint16_t xf) {
        if (xf < m_formatOfXf.size() && m_formatOfXf[xf] != kUnresolved) return m_formatOfXf[xf];
        return ResolveFormat(xf);
    }
    std::uint32_t ResolveFormat(std::uint16_t xf);
    std::string String(RecordCursor& cursor) {
        return m_globals.biff8 ? cursor.UnicodeString(2) : m_decoder.Decode(cursor.ByteString(2));
    }
    void Store(const Position& at, CellValue::Kind kind, double number, std::string_view text = {});
    std::string_view Shared(std::uint32_t index);
    void Formula(const Position& at, RecordCursor& cursor);

    const WorkbookGlobals& m_globals;
    SheetModel& m_model;
    CodePageDecoder m_decoder;
    std::vector<std::uint32_t> m_formatOfXf;  // XF index -> index into m_model.formatCodes
    std::vector<std::string_view> m_shared;   // SST strings in the sheet's TextStore, on first use
    std::vector<bool> m_sharedStored;
    std::optional<Position> m_pendingString;
    bool m_full = false;  // FORMULA whose text result follows in a STRING record
};

// A format id is looked up in the file's own FORMAT records before the built-in table.
std::uint32_t SheetBuilder::ResolveFormat(std::uint16_t xf) {
    if (xf >= m_formatOfXf.size()) return 0;
    const std::uint16_t id = m_globals.xfFormats[xf];
    std::string code;
    if (const auto it = m_globals.formats.find(id); it != m_globals.formats.end()) code = it->second;
    if (code.empty()) code = std::string(BuiltinFormatCode(id));
    if (code.empty()) code = "General";
    return m_formatOfXf[xf] = m_model.AddFormat(code);
}

void SheetBuilder::Store(const Position& at, CellValue::Kind kind, double number, std::string_view text) {
    CellValue cell;
    cell.row = at.row;
    cell.column = at.column;
    cell.kind = kind;
    cell.number = number;
    cell.formatId = FormatOf(at.xf);
    cell.text = text;
    if (!m_model.Add(cell)) m_full = true;
}

// A shared string is copied into the sheet once, however many cells show it.
std::string_view SheetBuilder::Shared(std::uint32_t index) {
    if (!m_sharedStored[index]) {
        m_shared[index] = m_model.texts.Add(m_globals.sharedStrings[index]);
        m_sharedStored[index] = true;
    }
    return m_shared[index];
}

void SheetBuilder::Formula(const Position& at, RecordCursor& cursor) {
    std::uint8_t result[8];
    for (auto& b : result) b = cursor.U8();
    if (!cursor.ok()) return;
    if (result[6] != 0xFF || result[7] != 0xFF) {
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | result[i];
        Store(at, CellValue::Kind::Number, std::bit_cast<double>(bits));
        return;
    }
    switch (result[0]) {
        case 0:  // text, in the STRING record that follows
            Store(at, CellValue::Kind::Text, 0.0);
            m_pendingString = at;
            break;
        case 1:
            Store(at, CellValue::Kind::Boolean, result[2] ? 1.0 : 0.0);
            break;
        case 2:
            Store(at, CellValue::Kind::Error, 0.0, ErrorText(result[2]));
            break;
        case 3:
            Store(at, CellValue::Kind::Text, 0.0);
            break;
        default:
            break;
    }
}

bool SheetBuilder::Cell(std::uint16_t type, RecordCursor& cursor) {
    if (type == kString) {
        if (!m_pendingString) return true;
        const Position at = *m_pendingString;
        m_pendingString.reset();
        const std::string text = String(cursor);
        if (cursor.ok()) Store(at, CellValue::Kind::Text, 0.0, m_model.texts.Add(text));
        return cursor.ok();
    }
    switch (type) {
        case kNumber:
        case kRk:
        case kMulRk:
        case kLabelSst:
        case kLabel:
        case kRString:
        case kBoolErr:
        case kFormula:
        case kFormula4:
            m_pendingString.reset();
            break;
        default:
            return true;
    }
    if (type == kMulRk) {
        const std::uint32_t row = cursor.U16() + 1u;
        const std::uint32_t first = cursor.U16() + 1u;
        for (std::uint32_t i = 0; cursor.ok() && cursor.Remaining() >= 6; ++i) {
            const Position at{row, first + i, cursor.U16()};
            Store(at, CellValue::Kind::Number, RkValue(cursor.U32()));
        }
        return cursor.ok();
    }
    const Position at = ReadPosition(cursor);
    switch (type) {
        case kNumber: {
            const double value = cursor.F64();
            if (cursor.ok()) Store(at, CellValue::Kind::Number, value);
            break;
        }
        case kRk: {
            const std::uint32_t rk = cursor.U32();
            if (cursor.ok()) Store(at, CellValue::Kind::Number, RkValue(rk));
            break;
        }
        case kLabelSst: {
            const std::uint32_t index = cursor.U32();
            if (!cursor.ok() || index >= m_globals.sharedStrings.size()) return false;
            Store(at, CellValue::Kind::Text, 0.0, Shared(index));
            break;
        }
        case kLabel:
        case kRString: {
            const std::string text = String(cursor);
            if (cursor.ok()) Store(at, CellValue::Kind::Text, 0.0, m_model.texts.Add(text));
            break;
        }
        case kBoolErr: {
            const std::uint8_t value = cursor.U8();
            const bool isError = cursor.U8() != 0;
            if (!cursor.ok()) break;
            if (isError)
                Store(at, CellValue::Kind::Error, 0.0, ErrorText(value));
            else
                Store(at, CellValue::Kind::Boolean, value ? 1.0 : 0.0);
            break;
        }
        default:  // FORMULA
            Formula(at, cursor);
            break;
    }
    return cursor.ok();
}

// The sheet shown when the workbook was saved, if it is a worksheet; else the first worksheet.
std::optional<std::size_t> ActiveWorksheet(const WorkbookGlobals& globals) {
    const auto& sheets = globals.sheets;
    if (globals.activeTab < sheets.size() && sheets[globals.activeTab].type == kWorksheetType) return globals.activeTab;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].type == kWorksheetType) return i;
    return std::nullopt;
}

}  // namespace

Result<SheetModel> ReadActiveSheet(std::span<const std::uint8_t> stream, const WorkbookGlobals& globals) {
    const auto tab = ActiveWorksheet(globals);
    if (!tab) return Error{"The workbook has no worksheet."};
    SheetModel model;
    model.maxRows = globals.biff8 ? 65536 : 16384;
    model.maxColumns = 256;
    model.date1904 = globals.date1904;
    model.name = globals.sheets[*tab].name;

    const std::size_t offset = globals.sheets[*tab].offset;
    // Room for the cells up front: a cell record takes at least 14 bytes (a MULRK entry 6).
    if (offset < stream.size()) model.cells.reserve(std::min(kMaxSheetCells, (stream.size() - offset) / 14));
    RecordStream records(stream, offset);
    Record record;
    if (!records.Next(record) || record.type != kBof)
        return Error{"The workbook is damaged: its worksheet cannot be found."};
    SheetBuilder builder(globals, model);
    // Embedded charts nest their own BOF ... EOF; only the worksheet's own level holds its cells.
    int depth = 1;
    while (depth > 0) {
        if (!records.Next(record)) return TruncatedError();
        if (record.type == kBof) {
            ++depth;
        } else if (record.type == kEof) {
            --depth;
        } else if (depth == 1) {
            RecordCursor cursor(stream, record);
            if (!builder.Cell(record.type, cursor)) return DamagedRecordError(record);
            if (builder.Full()) return SheetModel::TooLarge();
        }
    }
    model.Finish();
    return model;
}

}  // namespace moxtel::biff
