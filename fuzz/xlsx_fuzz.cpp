// libFuzzer target: any bytes as an .xlsx file (ZIP package of XML parts).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSheet.h"
#include "core/workbook/WorkbookFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = moxtel::fuzz::WriteTempFile(data, size);
    auto sheet = moxtel::ReadXlsxWorkbook(path);
    if (sheet) moxtel::fuzz::RenderAll(*sheet);
    return 0;
}
