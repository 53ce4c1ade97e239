#pragma once
// Shared by the fuzz targets: the input as a file, and every cell of a loaded sheet rendered.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/workbook/SheetModel.h"

namespace moxtel::fuzz {

// Writes the input to one temporary file per process (readers that take a path).
inline const std::string& WriteTempFile(const std::uint8_t* data, std::size_t size) {
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
    return path;
}

inline void RenderAll(const SheetModel& sheet) {
    for (const StoredCell& stored : sheet.cells) {
        const CellValue& cell = *sheet.Find(stored.row, stored.column);
        const CompiledFormat& format = sheet.Format(cell.formatId);
        if (cell.kind == CellValue::Kind::Number) (void)format.Number(cell.number, sheet.date1904);
        if (cell.kind == CellValue::Kind::Text) (void)format.Text(cell.text);
    }
}

}  // namespace moxtel::fuzz
