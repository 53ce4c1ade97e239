// A row of a sheet read straight from the bytes, for the markup spreadsheet writers produce.
#include "workbook/XlsxRowScan.h"

#include <array>
#include <bit>
#include <cstring>

namespace moxtel::xlsx {
namespace {

enum : std::uint8_t {
    kName = 1,       // A-Z a-z 0-9 _ - . of a name
    kColon = 2,      // ':' of an attribute's prefix
    kBlank = 4,      // ' ' \t \r \n
    kValueStop = 8,  // '&' '<' \t \r \n: an attribute value the XML reader must resolve or refuse
    kTextStop = 16,  // '&' \r: text to resolve and normalise
    kTagEnd = 32,    // ' ' \t \r \n '>' '/': what may follow an element's name
    kMarkup = 64,    // '<'
    kQuote = 128,    // '"' '\''
};

constexpr std::array<std::uint8_t, 256> kClass = [] {
    std::array<std::uint8_t, 256> c{};
    for (int b = 'A'; b <= 'Z'; ++b) c[static_cast<std::size_t>(b)] |= kName;
    for (int b = 'a'; b <= 'z'; ++b) c[static_cast<std::size_t>(b)] |= kName;
    for (int b = '0'; b <= '9'; ++b) c[static_cast<std::size_t>(b)] |= kName;
    for (const char b : {'_', '-', '.'}) c[static_cast<unsigned char>(b)] |= kName;
    c[':'] |= kColon;
    for (const char b : {' ', '\t', '\r', '\n'}) c[static_cast<unsigned char>(b)] |= kBlank | kTagEnd;
    for (const char b : {'&', '<', '\t', '\r', '\n'}) c[static_cast<unsigned char>(b)] |= kValueStop;
    c['"'] |= kQuote;
    c['\''] |= kQuote;
    c['<'] |= kMarkup;
    for (const char b : {'&', '\r'}) c[static_cast<unsigned char>(b)] |= kTextStop;
    c['>'] |= kTagEnd;
    c['/'] |= kTagEnd;
    return c;
}();

bool Is(char c, std::uint8_t classes) { return kClass[static_cast<unsigned char>(c)] & classes; }

enum class Match { Yes, No, More };

// A walk through the row's bytes; every step checks the end of the bytes before it reads.
class Cursor {
  public:
    explicit Cursor(std::string_view bytes)
        : m_begin(bytes.data()), m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    std::size_t Offset() const { return static_cast<std::size_t>(m_p - m_begin); }
    // At "</" (the markup here is an end tag); m_p is at a '<'.
    bool AtEndTag() const { return m_end - m_p >= 2 && m_p[1] == '/'; }

    // Past text to the next '<'; false when the bytes end first.
    bool ToMarkup() {
        if (m_p < m_end && *m_p == '<') return true;  // elements mostly follow one another
        const void* lt = std::memchr(m_p, '<', static_cast<std::size_t>(m_end - m_p));
        if (!lt) return false;
        m_p = static_cast<const char*>(lt);
        return true;
    }

    // The text up to the next '<'; false when the bytes end first.
    bool TakeText(std::string_view& text, bool& resolve) {
        const char* const q = TextEnd(m_p, resolve);
        if (!q) return false;
        text = std::string_view(m_p, static_cast<std::size_t>(q - m_p));
        m_p = q;
        return true;
    }

    // The cell whose "<c" was just read, when it has the shape nearly every writer gives it: attributes of one letter
    // after one blank each, in double quotes; then "/>", or '>' and "</c>", "<v>text</v></c>" or
    // "<is><t>text</t></is></c>" with no blank between. False when it has another shape, or the
    // bytes end inside it: nothing is taken, and the general reading of a cell starts over.
    bool QuickCell(ScannedCell& cell) {
        const char* p = m_p;
        while (m_end - p >= 4 && IsQuickAttribute(p)) {
            const char* q = p + 4;
            while (q < m_end && !Is(*q, kValueStop | kQuote)) ++q;
            if (q == m_end || *q != '"') return false;
            Record(p[1], std::string_view(p + 4, static_cast<std::size_t>(q - p - 4)), cell.attributes);
            p = q + 1;
        }
        if (m_end - p < 2) return false;
        if (p[0] == '/' && p[1] == '>') {
            m_p = p + 2;
            return true;
        }
        if (*p++ != '>') return false;
        if (Follows(p, "</c>")) {
            m_p = p + 4;
            return true;
        }
        const bool value = Follows(p, "<v>");
        if (!value && !Follows(p, "<is><t>")) return false;
        const char* const text = p + (value ? 3 : 7);
        const char* const q = TextEnd(text, cell.resolve);
        if (!q || !(value ? Follows(q, "</v></c>") : Follows(q, "</t></is></c>"))) return false;
        cell.text = std::string_view(text, static_cast<std::size_t>(q - text));
        cell.holds = value ? ScannedCell::Holds::Value : ScannedCell::Holds::InlineText;
        m_p = q + (value ? 8 : 12);
        return true;
    }

    // At the start tag of an element: open is '<' and its name, which a blank, '>' or "/>" follows.
    // Yes moves past the name.
    template <std::size_t N>
    Match Opens(const char (&open)[N]) {
        constexpr std::size_t size = N - 1;
        if (const Match m = Literal(open); m != Match::Yes) return m;
        if (m_p + size == m_end) return Match::More;
        if (!Is(m_p[size], kTagEnd)) return Match::No;
        m_p += size;
        return Match::Yes;
    }

    // At an end tag: close is "</" and the name, blanks allowed before its '>'. Yes moves past it.
    template <std::size_t N>
    Match Closes(const char (&close)[N]) {
        constexpr std::size_t size = N - 1;
        if (const Match m = Literal(close); m != Match::Yes) return m;
        const char* q = m_p + size;
        while (q < m_end && Is(*q, kBlank)) ++q;
        if (q == m_end) return Match::More;
        if (*q != '>') return Match::No;
        m_p = q + 1;
        return Match::Yes;
    }

    // The attributes and the close of a start tag, from just after its name; empty for "/>".
    ScanOutcome Attributes(TagAttributes& found, bool& empty) {
        found = {};
        empty = false;
        while (true) {
            if (QuickAttribute(found)) continue;
            const char* const afterPrevious = m_p;
            while (m_p < m_end && Is(*m_p, kBlank)) ++m_p;
            if (m_p == m_end) return ScanOutcome::NeedMore;
            if (*m_p == '>') {
                ++m_p;
                return ScanOutcome::Complete;
            }
            if (*m_p == '/') {
                if (m_p + 1 == m_end) return ScanOutcome::NeedMore;
                if (m_p[1] != '>') return ScanOutcome::Unknown;
                empty = true;
                m_p += 2;
                return ScanOutcome::Complete;
            }
            if (m_p == afterPrevious) return ScanOutcome::Unknown;  // attributes are set apart by blanks
            if (const ScanOutcome o = Attribute(found); o != ScanOutcome::Complete) return o;
        }
    }

  private:
    // Where text from p ends: the next '<', nullptr when the bytes end first. resolve tells whether
    // the text holds '&' or CR.
    const char* TextEnd(const char* p, bool& resolve) const {
        while (p < m_end && !Is(*p, kTextStop | kMarkup)) ++p;
        resolve = p < m_end && *p != '<';
        if (resolve) p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(m_end - p)));
        return p == m_end ? nullptr : p;
    }

    template <std::size_t N>
    bool Follows(const char* p, const char (&text)[N]) const {
        return static_cast<std::size_t>(m_end - p) >= N - 1 && std::memcmp(p, text, N - 1) == 0;
    }

    // Whether the bytes here are text; More when they end before telling.
    template <std::size_t N>
    Match Literal(const char (&text)[N]) const {
        constexpr std::size_t size = N - 1;
        const auto have = static_cast<std::size_t>(m_end - m_p);
        if (have >= size) return std::memcmp(m_p, text, size) == 0 ? Match::Yes : Match::No;
        return std::memcmp(m_p, text, have) == 0 ? Match::More : Match::No;
    }

    // The usual shape of an attribute read at once: one blank, a one-letter name, '=' and a value in
    // double quotes (r="B7"). False leaves anything else, from the same place, to Attribute.
    bool QuickAttribute(TagAttributes& found) {
        if (m_end - m_p < 4 || !IsQuickAttribute(m_p)) return false;
        const char* const value = m_p + 4;
        const char* q = value;
        while (q < m_end && !Is(*q, kValueStop | kQuote)) ++q;
        if (q == m_end || *q != '"') return false;
        Record(m_p[1], std::string_view(value, static_cast<std::size_t>(q - value)), found);
        m_p = q + 1;
        return true;
    }

    // Whether the 4 bytes at p are ' ', a name's one letter, '=' and '"'.
    static bool IsQuickAttribute(const char* p) {
        constexpr auto kShape = std::bit_cast<std::uint32_t>(std::array<char, 4>{' ', 0, '=', '"'});
        constexpr auto kMask = std::bit_cast<std::uint32_t>(std::array<unsigned char, 4>{0xFF, 0, 0xFF, 0xFF});
        std::uint32_t bytes = 0;
        std::memcpy(&bytes, p, 4);
        return (bytes & kMask) == kShape && Is(p[1], kName);
    }

    // Keeps the first r, s and t of a tag.
    static void Record(char name, std::string_view value, TagAttributes& found) {
        std::string_view* slot = name == 'r' ? &found.r : name == 's' ? &found.s : name == 't' ? &found.t : nullptr;
        if (slot && !slot->data()) *slot = value;
    }

    ScanOutcome Attribute(TagAttributes& found) {
        const char* const name = m_p;
        const char* local = m_p;  // past the last ':' of a prefix
        while (m_p < m_end && Is(*m_p, kName | kColon)) {
            if (*m_p++ == ':') local = m_p;
        }
        if (m_p == m_end) return ScanOutcome::NeedMore;
        if (m_p == name || local == m_p) return ScanOutcome::Unknown;
        const std::string_view localName(local, static_cast<std::size_t>(m_p - local));
        while (m_p < m_end && Is(*m_p, kBlank)) ++m_p;
        if (m_p == m_end) return ScanOutcome::NeedMore;
        if (*m_p++ != '=') return ScanOutcome::Unknown;
        while (m_p < m_end && Is(*m_p, kBlank)) ++m_p;
        if (m_p == m_end) return ScanOutcome::NeedMore;
        const char quote = *m_p++;
        if (quote != '"' && quote != '\'') return ScanOutcome::Unknown;
        const char* const value = m_p;
        while (true) {
            while (m_p < m_end && !Is(*m_p, kValueStop | kQuote)) ++m_p;
            if (m_p == m_end) return ScanOutcome::NeedMore;
            if (*m_p == quote) break;
            if (Is(*m_p, kValueStop)) return ScanOutcome::Unknown;
            ++m_p;  // the other quote, part of the value
        }
        const std::string_view text(value, static_cast<std::size_t>(m_p++ - value));
        if (localName.size() == 1) Record(localName[0], text, found);
        return ScanOutcome::Complete;
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
};

ScanOutcome Missing(Match m) { return m == Match::More ? ScanOutcome::NeedMore : ScanOutcome::Unknown; }

// An element that holds text only (<f>, <v>, <t>), from just after its name to past its end tag.
template <std::size_t N>
ScanOutcome TextElement(Cursor& at, const char (&close)[N], std::string_view& text, bool& resolve, bool allowEmpty) {
    TagAttributes ignored;
    bool empty = false;
    if (const ScanOutcome o = at.Attributes(ignored, empty); o != ScanOutcome::Complete) return o;
    if (empty) return allowEmpty ? ScanOutcome::Complete : ScanOutcome::Unknown;
    if (!at.TakeText(text, resolve)) return ScanOutcome::NeedMore;
    const Match end = at.Closes(close);
    return end == Match::Yes ? ScanOutcome::Complete : Missing(end);
}

// What a cell holds, from just after its start tag to past its end tag.
ScanOutcome CellContent(Cursor& at, ScannedCell& cell) {
    if (!at.ToMarkup()) return ScanOutcome::NeedMore;
    std::string_view formula;
    bool ignored = false;
    Match m = at.Opens("<f");
    if (m == Match::More) return ScanOutcome::NeedMore;
    if (m == Match::Yes) {
        if (const ScanOutcome o = TextElement(at, "</f", formula, ignored, true); o != ScanOutcome::Complete) return o;
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
    }
    if ((m = at.Opens("<v")) == Match::Yes) {
        if (const ScanOutcome o = TextElement(at, "</v", cell.text, cell.resolve, false); o != ScanOutcome::Complete)
            return o;
        cell.holds = ScannedCell::Holds::Value;
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
    } else if (m == Match::No && (m = at.Opens("<is")) == Match::Yes) {
        TagAttributes unused;
        bool empty = false;
        if (const ScanOutcome o = at.Attributes(unused, empty); o != ScanOutcome::Complete) return o;
        if (empty) return ScanOutcome::Unknown;
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
        if ((m = at.Opens("<t")) != Match::Yes) return Missing(m);
        if (const ScanOutcome o = TextElement(at, "</t", cell.text, cell.resolve, false); o != ScanOutcome::Complete)
            return o;
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
        if ((m = at.Closes("</is")) != Match::Yes) return Missing(m);
        cell.holds = ScannedCell::Holds::InlineText;
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
    }
    if (m == Match::More) return ScanOutcome::NeedMore;
    m = at.Closes("</c");
    return m == Match::Yes ? ScanOutcome::Complete : Missing(m);
}

}  // namespace

ScanOutcome ScanRow(std::string_view bytes, ScannedRow& row) {
    row.cells.clear();
    Cursor at(bytes);
    Match m = at.Opens("<row");
    if (m != Match::Yes) return Missing(m);
    bool empty = false;
    if (const ScanOutcome o = at.Attributes(row.attributes, empty); o != ScanOutcome::Complete) return o;
    while (!empty) {
        if (!at.ToMarkup()) return ScanOutcome::NeedMore;
        if (at.AtEndTag()) {
            if ((m = at.Closes("</row")) != Match::Yes) return Missing(m);
            break;
        }
        if ((m = at.Opens("<c")) != Match::Yes) return Missing(m);
        if (row.cells.size() == kMaxScannedCells) return ScanOutcome::Unknown;
        ScannedCell& cell = row.cells.emplace_back();
        if (at.QuickCell(cell)) continue;
        cell = {};
        bool emptyCell = false;
        if (const ScanOutcome o = at.Attributes(cell.attributes, emptyCell); o != ScanOutcome::Complete) return o;
        if (emptyCell) continue;
        if (const ScanOutcome o = CellContent(at, cell); o != ScanOutcome::Complete) return o;
    }
    row.length = at.Offset();
    return ScanOutcome::Complete;
}

}  // namespace moxtel::xlsx
