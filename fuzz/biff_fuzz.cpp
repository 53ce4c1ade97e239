// libFuzzer target: any bytes as the workbook stream of an .xls (the BIFF5/BIFF8 records inside the
// OLE2 container). Reading must fail cleanly or give a sheet whose cells all render.
#include <cstdint>
#include <span>

#include "FuzzSheet.h"
#include "core/workbook/BiffWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> stream(data, size);
    for (const bool book : {false, true}) {
        auto globals = moxtel::biff::ReadGlobals(stream, book);
        if (!globals) continue;
        auto sheet = moxtel::biff::ReadActiveSheet(stream, *globals);
        if (sheet) moxtel::fuzz::RenderAll(*sheet);
    }
    return 0;
}
