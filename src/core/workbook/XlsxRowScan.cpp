// A row of a sheet read straight from the bytes, for the markup spreadsheet writers produce.
#include "core/workbook/XlsxRowScan.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/workbook/XlsxCells.h"

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

// The first '<', '&' or CR from p on, or end: where a text stops or needs resolving. Sixteen bytes
// a step where the machine has the instructions; a value's text is mostly longer than a few bytes.
const char* TextStop(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), cr = _mm_set1_epi8('\r');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, lt), _mm_cmpeq_epi8(bytes, amp)),
                                           _mm_cmpeq_epi8(bytes, cr));
        if (const auto found = static_cast<unsigned>(_mm_movemask_epi8(stops))) return p + std::countr_zero(found);
    }
#endif
    while (p < end && !Is(*p, kTextStop | kMarkup)) ++p;
    return p;
}

enum class Match { Yes, No, More };

// A walk through the row's bytes; every step checks the end of the bytes before it reads.
class Cursor {
  public:
    // Bytes ahead of a cell's start tag that QuickCell needs to read it: its attributes take 63 at
    // most, the 8 bytes after them are read too, and what follows is read with the end of the bytes
    // in view.
    static constexpr std::ptrdiff_t kQuickWindow = 128;

    explicit Cursor(std::string_view bytes)
        : m_begin(bytes.data()), m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    std::size_t Offset() const { return static_cast<std::size_t>(m_p - m_begin); }
    // At "</" (the markup here is an end tag); m_p is at a '<'.
    bool AtEndTag() const { return m_end - m_p >= 2 && m_p[1] == '/'; }

    // At <row r="digits">, as most rows begin; true moves past it, with r found. What Opens("<row")
    // and Attributes read alike.
    bool OpensPlainRow(TagAttributes& found) {
        if (m_end - m_p < 32 || std::memcmp(m_p, "<row r=\"", 8) != 0) return false;
        std::uint32_t number = 0;
        const char* const q = QuickDigits(m_p + 8, number);
        if (!q || q[1] != '>') return false;
        found = {};
        found.r = std::string_view(m_p + 8, static_cast<std::size_t>(q - m_p - 8));
        m_p = q + 2;
        return true;
    }

    // At "<c " (a cell's start tag and its first attribute, as most cells are written); true moves
    // past the name, as Opens("<c") does.
    bool OpensPlainCell() {
        if (m_end - m_p < 3 || m_p[0] != '<' || m_p[1] != 'c' || m_p[2] != ' ') return false;
        m_p += 2;
        return true;
    }

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

    // The cell whose "<c" was just read, when it has the shape nearly every writer gives it: up to
    // three attributes r, s and t, each once, in any order, after one blank each, in double quotes,
    // r as a reference inside the grid and s as digits; then "/>", or '>' and "</c>",
    // "<v>text</v></c>" or "<is><t>text</t></is></c>" with no blank between. False when it has another
    // shape, or lies too near the end of the bytes: nothing is taken, and the general reading of a
    // cell starts over. Its start tag is read without looking for the end of the bytes at each
    // step, which kQuickWindow bytes ahead make safe.
    bool QuickCell(ScannedCell& cell) {
        const char* p = m_p;
        if (m_end - p < kQuickWindow) return false;
        for (int n = 0; n < 3; ++n) {  // 21 bytes each at most, those read included
            std::uint32_t opening = 0;  // ' ', the name, '=' and '"'
            std::memcpy(&opening, p, 4);
            const char* const value = p + 4;
            const char* q = nullptr;
            std::string_view* slot = nullptr;
            if (opening == kOpensR) {
                q = QuickReference(value, cell);
                slot = &cell.attributes.r;
            } else if (opening == kOpensS) {
                q = QuickDigits(value, cell.style);
                cell.styleRead = true;
                slot = &cell.attributes.s;
            } else if (opening == kOpensT) {
                q = QuickValue(value);
                slot = &cell.attributes.t;
            } else {
                break;
            }
            if (!q || slot->data()) return false;  // another spelling, or a second of the same name
            *slot = std::string_view(value, static_cast<std::size_t>(q - value));
            p = q + 1;
        }
        if (p[0] == '/' && p[1] == '>') {
            m_p = p + 2;
            return true;
        }
        if (*p++ != '>') return false;
        // The window holds these 7 bytes too.
        if (std::memcmp(p, "</c>", 4) == 0) {
            m_p = p + 4;
            return true;
        }
        const bool value = std::memcmp(p, "<v>", 3) == 0;
        if (!value && std::memcmp(p, "<is><t>", 7) != 0) return false;
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
        p = TextStop(p, m_end);
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

    static constexpr auto kOpensR = std::bit_cast<std::uint32_t>(std::array<char, 4>{' ', 'r', '=', '"'});
    static constexpr auto kOpensS = std::bit_cast<std::uint32_t>(std::array<char, 4>{' ', 's', '=', '"'});
    static constexpr auto kOpensT = std::bit_cast<std::uint32_t>(std::array<char, 4>{' ', 't', '=', '"'});

    // Whether the 4 bytes at p are ' ', a name's one letter, '=' and '"'.
    static bool IsQuickAttribute(const char* p) {
        constexpr auto kShape = std::bit_cast<std::uint32_t>(std::array<char, 4>{' ', 0, '=', '"'});
        constexpr auto kMask = std::bit_cast<std::uint32_t>(std::array<unsigned char, 4>{0xFF, 0, 0xFF, 0xFF});
        std::uint32_t bytes = 0;
        std::memcpy(&bytes, p, 4);
        return (bytes & kMask) == kShape && Is(p[1], kName);
    }

    // A cell reference from p as it is nearly always written: one to three letters, one to seven
    // digits and '"', inside the grid. Sets the cell's column and row and returns where the '"'
    // is; nullptr for any other text.
    static const char* QuickReference(const char* p, ScannedCell& cell) {
        const auto letterAt = [p](int i) { return (static_cast<unsigned char>(p[i]) | 0x20u) - unsigned{'a'}; };
        unsigned letter = letterAt(0);  // A-Z, a-z: 0-25
        if (letter > 25) return nullptr;
        std::uint32_t column = letter + 1;
        int letters = 1;
        for (; letters < 3 && (letter = letterAt(letters)) <= 25; ++letters) column = column * 26 + letter + 1;
        std::uint32_t row = 0;
        const char* const q = QuickDigits(p + letters, row);
        if (!q || row == 0 || row > kMaxRows || column > kMaxColumns) return nullptr;
        cell.column = column;
        cell.row = row;
        return q;
    }

    // One to seven digits from p and '"' after them: their number, and where the '"' is; nullptr
    // for any other text. Reads the 8 bytes from p.
    template <typename Number>
    static const char* QuickDigits(const char* p, Number& number) {
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t bytes = 0;
            std::memcpy(&bytes, p, 8);
            const std::uint64_t values = bytes ^ 0x3030303030303030;  // a digit's byte becomes its value
            // The top bit of each byte that is no digit, exact up to the first of them.
            const std::uint64_t others = ((values + 0x7676767676767676) | values) & 0x8080808080808080;
            if (others == 0) return nullptr;  // eight digits or more
            const int digits = std::countr_zero(others) / 8;
            if (digits == 0 || p[digits] != '"') return nullptr;
            number = static_cast<Number>(EightDigitsValue(values << (8 * (8 - digits))));  // zeros ahead
            return p + digits;
        } else {
            std::uint32_t value = 0;
            int digits = 0;
            for (unsigned digit = 0; digits < 8 && (digit = static_cast<unsigned char>(p[digits]) - unsigned{'0'}) <= 9;
                 ++digits)
                value = value * 10 + digit;
            if (digits == 0 || digits == 8 || p[digits] != '"') return nullptr;
            number = value;
            return p + digits;
        }
    }

    // An attribute value from p of at most 16 bytes, none to resolve, and '"' after it: where the
    // '"' is; nullptr for any other.
    static const char* QuickValue(const char* p) {
        if (p[1] == '"' && !Is(p[0], kValueStop | kQuote)) return p + 1;  // one letter, as most types are
        if (std::memcmp(p, "inlineStr\"", 10) == 0) return p + 9;
        const char* q = p;
        while (!Is(*q, kValueStop | kQuote)) {
            if (++q - p > 16) return nullptr;
        }
        return *q == '"' ? q : nullptr;
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
    std::size_t cells = 0;  // of row.cells, counted apart
    Match m = Match::Yes;
    bool empty = false;
    if (!at.OpensPlainRow(row.attributes)) {
        if ((m = at.Opens("<row")) != Match::Yes) return Missing(m);
        if (const ScanOutcome o = at.Attributes(row.attributes, empty); o != ScanOutcome::Complete) return o;
    }
    while (!empty) {
        if (!at.OpensPlainCell()) {
            if (!at.ToMarkup()) return ScanOutcome::NeedMore;
            if (at.AtEndTag()) {
                if ((m = at.Closes("</row")) != Match::Yes) return Missing(m);
                break;
            }
            if ((m = at.Opens("<c")) != Match::Yes) return Missing(m);
        }
        if (++cells > kMaxScannedCells) return ScanOutcome::Unknown;
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
