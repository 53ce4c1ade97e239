#include "core/workbook/TextLineWindow.h"

#include <algorithm>
#include <new>

#include "core/workbook/SheetModel.h"
#include "core/workbook/TextSplit.h"

namespace moxtel {
namespace {

// Layout recognition, the title and the first price read the first rows at any time.
constexpr std::uint32_t kHeadRows = 16;
// Rows kept behind the last one asked for: a trade's row also reads the row before it.
constexpr std::uint32_t kRowsBehind = 16;

// Records where the splitters start new lines, up to the start of row maxRows + 1.
class LineStarts {
  public:
    LineStarts(std::vector<std::uint32_t>& starts, std::uint32_t offset, std::uint32_t firstRow, std::uint32_t maxRows)
        : m_starts(starts), m_offset(offset), m_lastRow(maxRows + 1 - firstRow) {}
    void Field(std::string_view) {}
    void Line(std::string_view) {}
    void Append(char) {}
    void EndField() {}
    void EndLine() {}
    void NextLine(std::size_t at) { m_starts.push_back(m_offset + static_cast<std::uint32_t>(at)); }
    bool Full() const { return m_starts.size() > m_lastRow; }

  private:
    std::vector<std::uint32_t>& m_starts;
    std::uint32_t m_offset;
    std::size_t m_lastRow;  // m_starts reaches the start of row maxRows + 1 at this size
};

}  // namespace

DelimitedLines::DelimitedLines() = default;
DelimitedLines::~DelimitedLines() = default;

TextLineWindow::TextLineWindow(std::unique_ptr<ByteSource> source, const TextFacts& facts, std::size_t pieceBytes,
                               std::uint32_t maxRows, bool keepAll)
    : m_source(std::move(source)),
      m_facts(facts),
      m_pieceBytes(std::max<std::size_t>(pieceBytes, 16)),
      m_maxRows(maxRows),
      m_decoder(facts.encoding),
      m_read(facts.markBytes),
      m_keepAll(keepAll) {}

TextLineWindow::~TextLineWindow() = default;

bool TextLineWindow::Line(std::uint32_t row, std::string_view& line) {
    if (!m_error.empty() || row == 0 || row > m_maxRows) return false;
    try {
        if (row < m_firstRow) {
            if (row < m_headStarts.size()) {
                line = std::string_view(m_head).substr(m_headStarts[row - 1], m_headStarts[row] - m_headStarts[row - 1]);
                return true;
            }
            // A row just behind the window means reading backwards: the text is then kept whole. A row
            // further back starts reading forward again, as a header table's run after its first look.
            Restart(row + 2 * kRowsBehind >= m_firstRow);
        }
        while (!Whole(row) && Fill(row)) {
        }
        return m_error.empty() && Found(row, line);
    } catch (const std::bad_alloc&) {
        m_error = TextTableError("not enough memory").message;
        return false;
    }
}

bool TextLineWindow::Found(std::uint32_t row, std::string_view& line) const {
    const std::size_t i = row - m_firstRow;
    if (i + 1 < m_starts.size()) {
        line = std::string_view(m_text).substr(m_starts[i], m_starts[i + 1] - m_starts[i]);
        return true;
    }
    // The last row runs to the end of the text; a text ending in a line break has no row after it.
    if (i + 1 > m_starts.size() || !m_ended || m_starts.back() == m_text.size()) return false;
    line = std::string_view(m_text).substr(m_starts.back());
    return true;
}

// Decodes the next piece, or, while a row longer than a piece is unfinished, pieces until the
// row has doubled: its start is searched from again each time, so a long row costs linear time,
// not quadratic. Such a row gets room at once for the rest of the text, so that it is not copied
// again while it grows; only the room it fills is memory in use.
bool TextLineWindow::Fill(std::uint32_t row) {
    if (m_ended) return false;
    if (!m_keepAll) Forget(row);
    const std::size_t partial = m_text.size() - m_starts.back();
    if (partial > m_pieceBytes) {
        const std::uint64_t rest = m_facts.decodedBytes > m_decoded ? m_facts.decodedBytes - m_decoded : 0;
        m_text.reserve(m_text.size() + static_cast<std::size_t>(rest) + m_pieceBytes);
    }
    const std::size_t wanted = partial > m_pieceBytes ? partial : 0;
    std::uint64_t produced = 0;
    do {
        Result<std::string_view> piece = m_source->Read(m_read, m_pieceBytes, m_raw);
        if (!piece) {
            m_error = piece.error().message;
            return false;
        }
        const bool atEnd = m_read + piece->size() == m_source->Size();
        std::size_t used = 0;
        const std::uint64_t before = produced;
        if (!m_decoder.Decode(*piece, atEnd, &m_text, produced, used) || (used == 0 && !atEnd)) {
            m_error = TextTableError("the file changed while it was read").message;
            return false;
        }
        m_decoded += produced - before;
        m_read += used;
        m_ended = atEnd;
    } while (produced < wanted && !m_ended);
    FindStarts();
    return true;
}

void TextLineWindow::FindStarts() {
    std::size_t end = m_text.size();
    // A CR or a quote at the end is decided by the byte after it: it waits for the next piece.
    if (!m_ended && end > m_scanned && (m_text[end - 1] == '\r' || m_text[end - 1] == '"')) --end;
    if (end <= m_scanned) return;
    m_scanned = end;
    const std::uint32_t from = m_starts.back();
    LineStarts starts(m_starts, from, m_firstRow, m_maxRows);
    const std::string_view rest = std::string_view(m_text).substr(from, end - from);
    SplitText(rest, m_facts.commas, starts);
    if (starts.Full()) m_ended = true;
}

// Lets go of the rows more than kRowsBehind before row, the first kHeadRows rows excepted.
void TextLineWindow::Forget(std::uint32_t row) {
    if (row <= m_firstRow + kRowsBehind) return;
    const std::size_t drop = std::min<std::size_t>(row - kRowsBehind - m_firstRow, m_starts.size() - 1);
    if (drop == 0) return;
    KeepHead(drop);
    const std::uint32_t cut = m_starts[drop];
    m_text.erase(0, cut);
    m_starts.erase(m_starts.begin(), m_starts.begin() + static_cast<std::ptrdiff_t>(drop));
    for (std::uint32_t& start : m_starts) start -= cut;
    m_scanned -= cut;
    m_firstRow += static_cast<std::uint32_t>(drop);
}

void TextLineWindow::KeepHead(std::size_t rows) {
    const std::size_t last = std::min<std::size_t>(m_firstRow + rows, kHeadRows + 1);
    for (std::size_t row = m_firstRow; row < last; ++row) {
        const std::size_t i = row - m_firstRow;
        m_head.append(m_text, m_starts[i], m_starts[i + 1] - m_starts[i]);
        m_headStarts.push_back(static_cast<std::uint32_t>(m_head.size()));
    }
}

void TextLineWindow::Restart(bool keepAll) {
    m_keepAll = keepAll;
    m_text.clear();
    if (keepAll) {
        m_text.shrink_to_fit();
        // The whole text and the room a piece is decoded into before it is cut to its length.
        m_text.reserve(static_cast<std::size_t>(m_facts.decodedBytes) + m_pieceBytes * 2);
    }
    m_starts.assign(1, 0);
    m_firstRow = 1;
    m_scanned = 0;
    m_read = m_facts.markBytes;
    m_decoded = 0;
    m_ended = false;
    m_head.clear();
    m_headStarts.assign(1, 0);
}

}  // namespace moxtel
