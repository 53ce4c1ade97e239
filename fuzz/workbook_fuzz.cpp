// libFuzzer target: any bytes as a workbook file. Opening must fail cleanly or give a sheet whose
// cells all render; never a crash, a hang or an unbounded allocation.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSheet.h"
#include "core/workbook/CExcelReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = moxtel::fuzz::WriteTempFile(data, size);
    moxtel::CExcelReader reader;
    reader.SetWarningSink([](const std::string&) {});
    if (reader.OpenWorkbook(path)) {
        for (int row = 1; row <= 12; ++row) {
            for (int col = 1; col <= 6; ++col) (void)reader.GetCellText(row, col);
        }
        for (const auto& cell : reader.Sheet()->cells)
            (void)reader.GetCellText(static_cast<int>(cell.row), static_cast<int>(cell.column));
    }
    return 0;
}
