#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/workbook/TextDecoding.h"

namespace moxtel {

// The lines of a large text export, decoded from its source as they are asked for. Reading rows
// forward, or a few rows back, holds the first rows and a window of some hundred KiB around the
// last row read, however long the text. A row further back has the text decoded again from its
// start: far back, to be read forward again; just behind the window, to be kept whole from then
// on, as a small export is. Any order of reading gives the same rows; reading forward costs
// little memory. Rows end where the text reader's splitters end them:
// at a line break, in a comma file only outside quotes.
class TextLineWindow {
  public:
    // facts as CheckText gave them for the same source; rows beyond maxRows are never read.
    // keepAll: every line is kept once decoded, as after reading backwards.
    TextLineWindow(std::unique_ptr<ByteSource> source, const TextFacts& facts, std::size_t pieceBytes,
                   std::uint32_t maxRows, bool keepAll = false);
    ~TextLineWindow();
    TextLineWindow(const TextLineWindow&) = delete;
    TextLineWindow& operator=(const TextLineWindow&) = delete;

    // Row `row` (from 1) with its line break; false when the text has no such row or when it could
    // not be read (Error() then says why, and every later call fails). The view is valid until the
    // next call.
    bool Line(std::uint32_t row, std::string_view& line);
    // Why a row could not be read, "" while none failed: the source changed since it was checked,
    // or the memory ran out.
    const std::string& Error() const { return m_error; }

  private:
    bool Whole(std::uint32_t row) const { return row >= m_firstRow && row - m_firstRow + 1 < m_starts.size(); }
    bool Found(std::uint32_t row, std::string_view& line) const;
    bool Fill(std::uint32_t row);
    void FindStarts();
    void Forget(std::uint32_t row);
    void KeepHead(std::size_t rows);
    void Restart(bool keepAll);

    std::unique_ptr<ByteSource> m_source;
    TextFacts m_facts;
    std::size_t m_pieceBytes;
    std::uint32_t m_maxRows;
    PieceDecoder m_decoder;
    std::string m_raw;        // the last piece read from a file
    std::uint64_t m_read;     // source offset of the next byte to decode
    std::uint64_t m_decoded = 0;  // UTF-8 bytes decoded from the start of the text
    bool m_ended = false;     // all decoded, or the start of row maxRows + 1 found
    bool m_keepAll = false;   // reading backwards: nothing is let go any more
    std::string m_text;       // decoded text from the start of row m_firstRow on
    std::vector<std::uint32_t> m_starts{0};  // row m_firstRow + i starts at m_text[m_starts[i]]
    std::uint32_t m_firstRow = 1;
    std::size_t m_scanned = 0;  // m_text is searched for line starts up to here
    std::string m_head;         // the first rows, once the window has moved past them
    std::vector<std::uint32_t> m_headStarts{0};
    std::string m_error;
};

}  // namespace moxtel
