#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The markup of one row of a sheet's <sheetData>, read straight from the part's bytes for the
// shapes spreadsheet writers produce, without the XML reader's events. Only what the cells need is
// taken: views of the bytes, nothing copied.
namespace moxtel::xlsx {

enum class ScanOutcome {
    Complete,  // the row was read whole
    NeedMore,  // the bytes end inside it
    Unknown,   // markup of another shape, left to the XML reader
};

// The first r, s and t attributes of a tag, by local name; data() is nullptr for one not there.
struct TagAttributes {
    std::string_view r, s, t;
};

struct ScannedCell {
    enum class Holds : std::uint8_t {
        Nothing,     // <c .../>, <c ...></c>, or a formula alone
        Value,       // <v>text</v>
        InlineText,  // <is><t>text</t></is>
    };
    TagAttributes attributes;
    Holds holds = Holds::Nothing;
    bool resolve = false;     // the text holds '&' or CR, for the XML reader's resolving and normalising
    bool styleRead = false;   // style holds the s attribute's number
    std::string_view text;    // as written
    // The r and s attributes as numbers, read on the way when they are written plainly: r as one to
    // three letters and digits naming a cell inside the grid (column 0 when it is not read so), s as
    // digits alone. Any other spelling is left in attributes for the reader of the cells.
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    std::uint64_t style = 0;
};

// A row of more cells than the grid has columns is left to the XML reader, so a scanned row holds
// a bounded number of them.
inline constexpr std::size_t kMaxScannedCells = 16384;

struct ScannedRow {
    TagAttributes attributes;
    std::vector<ScannedCell> cells;  // in the order written
    std::size_t length = 0;          // bytes of the row's markup, its end tag included
};

// Reads the row whose start tag begins bytes. The shapes read: <row ...> holding <c> elements, or
// <row .../>; a cell <c .../>, or <c ...> holding an optional <f>formula</f> or <f .../>, then
// <v>text</v> or <is><t>text</t></is> or nothing; attributes in either quotes with blanks around
// '=', in any order, prefixed or not; text (ignored) between elements. Unknown for anything else,
// which is never guessed at: a comment, CDATA, a processing instruction, a prefixed element, an
// element of another name, an attribute value holding an entity, '<' or a blank other than ' ',
// markup that is not well formed, more than kMaxScannedCells cells. row is the scanner's to fill
// again on each call.
ScanOutcome ScanRow(std::string_view bytes, ScannedRow& row);

}  // namespace moxtel::xlsx
