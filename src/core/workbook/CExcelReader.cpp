#include "core/workbook/CExcelReader.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "core/common/TextUtil.h"
#include "core/workbook/NumberFormat.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

constexpr char kOutOfMemory[] = "Not enough memory to read the workbook.";

// Largest delimited-text file read.
constexpr std::uintmax_t kMaxTextBytes = std::uintmax_t{256} << 20;

constexpr char kOle2Signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr char kZipSignature[] = "PK\x03\x04";

enum class Container { Ole2, Zip, Text };

Container Detect(std::string_view head) {
    if (head.starts_with(std::string_view(kOle2Signature, 8))) return Container::Ole2;
    if (head.starts_with(std::string_view(kZipSignature, 4))) return Container::Zip;
    return Container::Text;
}

Result<SheetModel> LoadSheet(const std::string& path) {
    std::error_code ec;
    // Only regular files: a folder, a pipe or a device would fail or block.
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"not a readable file: " + path};
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return Error{"cannot read " + path};
    if (size == 0) return Error{"empty file: " + path};

    std::string head(8, '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return Error{"cannot read " + path};
        in.read(head.data(), 8);
        head.resize(static_cast<std::size_t>(in.gcount()));
    }
    switch (Detect(head)) {
        case Container::Ole2:
            return ReadXlsWorkbook(path);
        case Container::Zip:
            return ReadXlsxWorkbook(path);
        case Container::Text:
            break;
    }
    if (size > kMaxTextBytes) return Error{"text file too large: " + path};
    return ReadTextFile(path);
}

}  // namespace

CExcelReader::CExcelReader() = default;
CExcelReader::~CExcelReader() = default;

bool CExcelReader::OpenWorkbook(const std::string& path) {
    CloseWorkbook();
    m_lastError.clear();
    try {
        Result<SheetModel> sheet = LoadSheet(path);
        if (!sheet) {
            m_lastError = sheet.error().message;
            return false;
        }
        m_sheet = std::make_unique<SheetModel>(std::move(*sheet));
    } catch (const std::bad_alloc&) {
        m_lastError = kOutOfMemory;
        return false;
    }
    return true;
}

const CellValue* CExcelReader::Locate(int row, int column) {
    if (!m_sheet || row < 1 || column < 1) return nullptr;
    const auto r = static_cast<std::uint32_t>(row);
    const auto c = static_cast<std::uint32_t>(column);
    if (r > m_sheet->maxRows || c > m_sheet->maxColumns) {
        if (m_warningSink) {
            char message[160];
            std::snprintf(message, sizeof message, "由于(%d,%d)已经超过了(%d,%d)的范围,所以返回空值", row, column,
                          static_cast<int>(m_sheet->maxRows), static_cast<int>(m_sheet->maxColumns));
            m_warningSink(message);
        }
        return nullptr;
    }
    return m_sheet->Find(r, c);
}

std::string CExcelReader::GetCellText(int row, int column) {
    const CellValue* cell = Locate(row, column);
    if (!cell) return {};
    try {
        return CellText(*cell);
    } catch (const std::bad_alloc&) {
        m_lastError = kOutOfMemory;  // the run goes on as with an empty cell
        return {};
    }
}

const StoredCell* CExcelReader::StoredInside(int row, int column, bool& inside) const {
    inside = m_sheet && !m_sheet->lines && row >= 1 && column >= 1 &&
             static_cast<std::uint32_t>(row) <= m_sheet->maxRows && static_cast<std::uint32_t>(column) <= m_sheet->maxColumns;
    return inside ? m_sheet->FindStored(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)) : nullptr;
}

CellNumber CExcelReader::GetCellNumber(int row, int column) {
    // A number cell of a common format is read straight from the stored cell.
    bool inside = false;
    const StoredCell* stored = StoredInside(row, column, inside);
    if (inside && !stored) return {};
    CellNumber number;
    if (stored && SheetModel::KindOf(*stored) == CellValue::Kind::Number &&
        m_sheet->Format(SheetModel::FormatOf(*stored)).ShownNumber(SheetModel::NumberOf(*stored), number.value)) {
        number.empty = false;
        number.numeric = true;
        return number;
    }
    const CellValue* cell = Locate(row, column);
    if (!cell) return {};
    std::string scratch;
    const std::string_view text = ViewOf(*cell, scratch);
    return CellNumber::OfText(text);
}

CellNumber CellNumber::OfText(std::string_view text) {
    return {text.empty(), HasLeadingNumber(text), ParseLeadingDouble(text)};
}

std::string_view CExcelReader::GetCellView(int row, int column, std::string& scratch) {
    bool inside = false;
    const StoredCell* stored = StoredInside(row, column, inside);
    if (inside && !stored) return {};
    if (stored && SheetModel::KindOf(*stored) == CellValue::Kind::Text &&
        m_sheet->Format(SheetModel::FormatOf(*stored)).ShowsTextUnchanged()) {
        return m_sheet->TextOf(*stored);
    }
    if (stored && SheetModel::KindOf(*stored) == CellValue::Kind::Number) {
        return NumberView(SheetModel::FormatOf(*stored), SheetModel::NumberOf(*stored), scratch);
    }
    const CellValue* cell = Locate(row, column);
    return cell ? ViewOf(*cell, scratch) : std::string_view();
}

std::string_view CExcelReader::ViewOf(const CellValue& cell, std::string& scratch) {
    if (cell.kind == CellValue::Kind::Text && m_sheet->Format(cell.formatId).ShowsTextUnchanged()) {
        return cell.text;
    }
    if (cell.kind == CellValue::Kind::Number) return NumberView(cell.formatId, cell.number, scratch);
    try {
        scratch = CellText(cell);
    } catch (const std::bad_alloc&) {
        m_lastError = kOutOfMemory;
        return {};
    }
    return scratch;
}

std::string_view CExcelReader::NumberView(std::uint32_t formatId, double number, std::string& scratch) {
    try {
        m_sheet->Format(formatId).NumberInto(number, m_sheet->date1904, scratch);
    } catch (const std::bad_alloc&) {
        m_lastError = kOutOfMemory;
        return {};
    }
    return scratch;
}

std::string CExcelReader::CellText(const CellValue& cell) const {
    switch (cell.kind) {
        case CellValue::Kind::Number:
            return m_sheet->Format(cell.formatId).Number(cell.number, m_sheet->date1904);
        case CellValue::Kind::Text:
            return m_sheet->Format(cell.formatId).Text(cell.text);
        case CellValue::Kind::Boolean:
            return cell.number != 0.0 ? "TRUE" : "FALSE";
        case CellValue::Kind::Error:
            return std::string(cell.text);
        case CellValue::Kind::Empty:
            break;
    }
    return {};
}

std::string_view CExcelReader::ReadError() const { return m_sheet ? m_sheet->ReadError() : std::string_view(); }

void CExcelReader::CloseWorkbook() {
    m_sheet.reset();
}

}  // namespace moxtel
