#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/common/Result.h"
#include "core/workbook/BiffRecords.h"
#include "core/workbook/SheetModel.h"

namespace moxtel::biff {

// What the workbook globals of a BIFF5/BIFF8 stream say, as far as reading one sheet needs it.
struct WorkbookGlobals {
    bool biff8 = true;
    int codePage = 1252;  // of BIFF5's 8-bit strings; BIFF8 strings are Unicode
    bool date1904 = false;
    std::unordered_map<std::uint16_t, std::string> formats;  // FORMAT records: format id -> code (UTF-8)
    std::vector<std::uint16_t> xfFormats;                    // XF records in file order: their format id
    std::vector<std::string> sharedStrings;                  // SST, UTF-8
    struct Sheet {
        std::uint32_t offset = 0;  // stream offset of the sheet's BOF record
        std::uint8_t type = 0;     // 0 worksheet, 2 chart, 6 VBA module, ...
        std::string name;          // the tab's name, UTF-8; "" when it cannot be read
    };
    std::vector<Sheet> sheets;  // BOUNDSHEET records in tab order
    std::size_t activeTab = 0;  // WINDOW1's selected tab
};

// Reads the globals substream at the start of a workbook stream. bookStream tells that the
// stream was named "Book" (BIFF5) when the BOF record does not state a known version.
// Fails on an encrypted workbook (FILEPASS), a damaged record and a stream that ends early.
Result<WorkbookGlobals> ReadGlobals(std::span<const std::uint8_t> stream, bool bookStream);

// Loads the cells of the active worksheet (WINDOW1's tab, else the first worksheet).
Result<SheetModel> ReadActiveSheet(std::span<const std::uint8_t> stream, const WorkbookGlobals& globals);

// The failures every part of the stream reader reports alike.
Error DamagedRecordError(const Record& record);
Error TruncatedError();

}  // namespace moxtel::biff
