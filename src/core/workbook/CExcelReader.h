#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/workbook/SheetModel.h"

namespace moxtel {

// Gives the statistics run the displayed text of any cell of a workbook's active sheet.
// The container is detected from the content, never the file name: BIFF8/BIFF5 .xls (OLE2),
// .xlsx (ZIP), or delimited text (tab or comma; UTF-8, UTF-16 with BOM, else GB18030).
// The whole sheet is loaded by OpenWorkbook, so reading cells never fails afterwards; only a large
// text export, checked whole by OpenWorkbook but decoded as its rows are read, can fail later if
// the file changes meanwhile (see ReadError).
// What the statistics run needs of a number cell: is its text empty, does the text start with a
// number, and the number atof reads from it. Known for the common formats without making the text.
struct CellNumber {
    bool empty = true;
    bool numeric = false;  // HasLeadingNumber of the text
    double value = 0.0;    // ParseLeadingDouble of the text

    static CellNumber OfText(std::string_view text);
};

class CExcelReader {
public:
    // Receives the system's message for a cell beyond the format's grid.
    using WarningSink = std::function<void(const std::string& message)>;

    CExcelReader();
    ~CExcelReader();
    CExcelReader(const CExcelReader&) = delete;
    CExcelReader& operator=(const CExcelReader&) = delete;

    // False for a missing, unreadable, empty, truncated, corrupt, encrypted or unknown file;
    // LastError() then tells why (for logs; the run shows its own message).
    bool OpenWorkbook(const std::string& path);

    // Displayed text of cell (row, column), both from 1. An empty or missing cell reads "".
    // A cell beyond the grid sends "由于(%d,%d)已经超过了(%d,%d)的范围,所以返回空值" to the
    // warning sink and reads "".
    std::string GetCellText(int row, int column);
    // GetCellText read as a number, with the same warning beyond the grid.
    CellNumber GetCellNumber(int row, int column);
    // GetCellText as a view, valid until the next read of this reader.
    std::string_view GetCellView(int row, int column, std::string& scratch);

    // Forgets the workbook; harmless when nothing is open.
    void CloseWorkbook();

    void SetWarningSink(WarningSink sink) { m_warningSink = std::move(sink); }
    const std::string& LastError() const { return m_lastError; }
    // Why a cell of the open workbook read as empty because it could not be read, "" while all
    // is well.
    std::string_view ReadError() const;
    // The loaded sheet, or nullptr when nothing is open.
    const SheetModel* Sheet() const { return m_sheet.get(); }
    // The open sheet's tab name ("" for a text export, or when nothing is open).
    std::string SheetName() const { return m_sheet ? m_sheet->name : std::string(); }

private:
    std::string CellText(const CellValue& cell) const;
    // The cell at (row, column) or nullptr; warns beyond the grid.
    const CellValue* Locate(int row, int column);
    // The stored cell at (row, column) of a sheet of cells; inside tells whether the place lies in
    // such a sheet's grid (false for a text export's lines, which Locate reads).
    const StoredCell* StoredInside(int row, int column, bool& inside) const;
    std::string_view ViewOf(const CellValue& cell, std::string& scratch);
    // A number's displayed text in scratch.
    std::string_view NumberView(std::uint32_t formatId, double number, std::string& scratch);

    std::unique_ptr<SheetModel> m_sheet;
    std::string m_lastError;
    WarningSink m_warningSink;
};

}  // namespace moxtel
