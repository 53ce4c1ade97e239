// The workbook globals substream: code page, date system, formats, XF records, shared strings,
// the sheet list and the active tab.
#include <cstdio>
#include <utility>

#include "core/workbook/BiffRecords.h"
#include "core/workbook/BiffText.h"
#include "core/workbook/BiffWorkbook.h"
#include "core/workbook/NumberFormat.h"

namespace moxtel::biff {
namespace {

constexpr std::uint16_t kVersionBiff8 = 0x0600;
constexpr std::uint16_t kVersionBiff5 = 0x0500;
constexpr std::uint16_t kGlobalsSubstream = 0x0005;

// The first record must be the globals' BOF; it tells BIFF8 from BIFF5.
Status ReadBof(std::span<const std::uint8_t> stream, RecordStream& records, bool bookStream, WorkbookGlobals& globals) {
    Record bof;
    if (!records.Next(bof)) return TruncatedError();
    if (bof.type == 0x0009 || bof.type == 0x0209 || bof.type == 0x0409)
        return Error{"The workbook is in an old Excel format (2.x to 4.x), which is not supported."};
    if (bof.type != kBof) return Error{"The file holds no Excel workbook data."};
    RecordCursor cursor(stream, bof);
    const std::uint16_t version = cursor.U16();
    const std::uint16_t substream = cursor.U16();
    if (!cursor.ok() || substream != kGlobalsSubstream) return DamagedRecordError(bof);
    globals.biff8 = version == kVersionBiff8 || (version != kVersionBiff5 && !bookStream);
    return Done{};
}

// SST: counts, then strings that run on over CONTINUE records. Strings are read while bytes
// last, never more than the stated count; a string cut off by the end of the data is damage.
bool ReadSst(RecordCursor& cursor, std::vector<std::string>& strings) {
    cursor.U32();  // references in the workbook
    const std::uint32_t unique = cursor.U32();
    while (cursor.ok() && strings.size() < unique && cursor.Remaining() > 0) strings.push_back(cursor.UnicodeString(2));
    return cursor.ok();
}

void ReadBoundSheet(RecordCursor& cursor, WorkbookGlobals& globals) {
    WorkbookGlobals::Sheet sheet;
    sheet.offset = cursor.U32();
    cursor.U8();  // visibility
    sheet.type = cursor.U8();
    // The name only says where a table may carry its date and code: a damaged one is left empty
    // rather than refusing the workbook. BIFF5 names are decoded once CODEPAGE is known.
    RecordCursor name = cursor;
    sheet.name = globals.biff8 ? name.UnicodeString(1) : name.ByteString(1);
    if (!name.ok()) sheet.name.clear();
    globals.sheets.push_back(sheet);
}

// Codes past the spreadsheet's own limits only come from crafted files; their parsing would cost
// far more than their size.
Status CheckFormat(const std::string& code, std::size_t count) {
    if (code.size() > kMaxFormatCodeBytes) return Error{"The workbook is damaged: a number format code is too long."};
    if (count > kMaxSheetFormats) return Error{"The workbook is damaged: it holds too many number formats."};
    return Done{};
}

}  // namespace

Error DamagedRecordError(const Record& record) {
    char text[96];
    std::snprintf(text, sizeof text, "The workbook is damaged (record 0x%04X at offset %zu).",
                  static_cast<unsigned>(record.type), record.offset);
    return Error{text};
}

Error TruncatedError() { return Error{"The workbook is truncated: its data ends early."}; }

Result<WorkbookGlobals> ReadGlobals(std::span<const std::uint8_t> stream, bool bookStream) {
    WorkbookGlobals globals;
    RecordStream records(stream);
    if (auto bof = ReadBof(stream, records, bookStream, globals); !bof) return bof.error();
    std::vector<std::pair<std::uint16_t, std::string>> byteFormats;  // BIFF5, decoded once CODEPAGE is known
    bool windowSeen = false;
    Record record;
    while (records.Next(record)) {
        RecordCursor cursor(stream, record);
        switch (record.type) {
            case kEof: {
                CodePageDecoder decoder(globals.codePage);
                for (auto& [id, bytes] : byteFormats) globals.formats[id] = decoder.Decode(bytes);
                if (!globals.biff8) {
                    for (auto& sheet : globals.sheets) sheet.name = decoder.Decode(sheet.name);
                }
                return globals;
            }
            case kFilePass:
                return Error{"The workbook is encrypted (password protected) and cannot be read."};
            case kCodePage:
                globals.codePage = cursor.U16();
                break;
            case kDateMode:
                globals.date1904 = cursor.U16() == 1;
                break;
            case kWindow1:
                if (windowSeen) break;
                windowSeen = true;
                cursor.Skip(10);
                globals.activeTab = cursor.U16();
                break;
            case kFormat: {
                const std::uint16_t id = cursor.U16();
                if (globals.biff8)
                    globals.formats[id] = cursor.UnicodeString(2);
                else
                    byteFormats.emplace_back(id, cursor.ByteString(1));
                if (Status s = CheckFormat(globals.biff8 ? globals.formats[id] : byteFormats.back().second,
                                           globals.formats.size() + byteFormats.size());
                    !s)
                    return s.error();
                break;
            }
            case kXf:
                cursor.Skip(2);
                globals.xfFormats.push_back(cursor.U16());
                break;
            case kSst:
                if (globals.biff8) ReadSst(cursor, globals.sharedStrings);
                break;
            case kBoundSheet:
                ReadBoundSheet(cursor, globals);
                break;
            default:
                break;
        }
        if (!cursor.ok()) return DamagedRecordError(record);
    }
    return TruncatedError();
}

}  // namespace moxtel::biff
