// libFuzzer target: any bytes as a workbook file. Opening must fail cleanly or give a sheet whose
// cells all render; never a crash, a hang or an unbounded allocation.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stats/CExcelReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        char name[] = "/tmp/moxtel-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    moxtel::CExcelReader reader;
    reader.SetWarningSink([](const std::string&) {});
    if (reader.OpenWorkbook(path)) {
        for (int row = 1; row <= 12; ++row) {
            for (int col = 1; col <= 6; ++col) (void)reader.GetCellText(row, col);
        }
        for (const auto& [key, cell] : reader.Sheet()->cells) {
            (void)reader.GetCellText(static_cast<int>(key >> 32), static_cast<int>(key & 0xffffffffu));
        }
    }
    return 0;
}
