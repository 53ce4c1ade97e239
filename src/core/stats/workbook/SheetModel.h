#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace moxtel {

// One cell of a sheet as stored in the file, before it is rendered for display.
struct CellValue {
    enum class Kind : std::uint8_t { Empty, Number, Text, Boolean, Error };
    Kind kind = Kind::Empty;
    double number = 0.0;          // Number; Boolean as 0 or 1
    std::uint32_t formatId = 0;   // index into SheetModel::formatCodes (Number and Text cells)
    std::string text;             // Text (UTF-8); Error as shown, e.g. "#DIV/0!"
};

// The active sheet of a workbook, fully loaded. Rows and columns count from 1.
struct SheetModel {
    std::uint32_t maxRows = 65536;  // the file format's grid: BIFF8 65536 x 256, xlsx 1048576 x 16384
    std::uint32_t maxColumns = 256;
    bool date1904 = false;          // the workbook's date system
    // Number format codes, deduplicated; index 0 is always "General".
    std::vector<std::string> formatCodes{"General"};
    std::unordered_map<std::uint64_t, CellValue> cells;

    static std::uint64_t Key(std::uint32_t row, std::uint32_t column) {
        return (static_cast<std::uint64_t>(row) << 32) | column;
    }
    const CellValue* Find(std::uint32_t row, std::uint32_t column) const {
        const auto it = cells.find(Key(row, column));
        return it == cells.end() ? nullptr : &it->second;
    }
    void Set(std::uint32_t row, std::uint32_t column, CellValue value) { cells[Key(row, column)] = std::move(value); }
    // Index of a format code, adding it when new.
    std::uint32_t AddFormat(const std::string& code);
};

}  // namespace moxtel
