#include "core/workbook/XmlPull.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/common/TextUtil.h"

namespace moxtel {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
// Longest single item (a tag, a comment, a CDATA section); the spreadsheet's longest text is far below.
constexpr std::size_t kMaxItem = 16u << 20;
constexpr std::size_t kMaxDepth = 256;

Error Malformed() { return Error{"malformed XML"}; }

std::string_view LocalName(std::string_view name) {
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Without the XML blanks around it (not the form feeds and vertical tabs TrimView also takes), so
// a name reads the same here as in QuickItem, wherever the buffer happens to end.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Classes of the bytes the quick scanner stops at. The buffer ends in a '<' that is not part of
// the data, so every scan stops at the end without counting.
enum : std::uint8_t {
    kBlank = 1,       // ' ' \t \r \n
    kClose = 2,       // '>'
    kSlash = 4,       // '/'
    kQuote = 8,       // '"' '\''
    kEquals = 16,     // '='
    kOdd = 32,        // '<' '&' '!' '?': left to the full reader
    kColon = 64,      // ':' of a prefix
    kTextStop = 128,  // '<' '&' '\r': the end of text, or text that needs resolving
};

constexpr std::array<std::uint8_t, 256> kClass = [] {
    std::array<std::uint8_t, 256> c{};
    for (const char b : {' ', '\t', '\r', '\n'}) c[static_cast<unsigned char>(b)] |= kBlank;
    c['>'] |= kClose;
    c['/'] |= kSlash;
    c['"'] |= kQuote;
    c['\''] |= kQuote;
    c['='] |= kEquals;
    for (const char b : {'<', '&', '!', '?'}) c[static_cast<unsigned char>(b)] |= kOdd;
    c[':'] |= kColon;
    for (const char b : {'<', '&', '\r'}) c[static_cast<unsigned char>(b)] |= kTextStop;
    return c;
}();

std::uint8_t ClassOf(const char* p) { return kClass[static_cast<unsigned char>(*p)]; }

// Past a name of the given stop classes; colon is set past its last ':'.
const char* ScanName(const char* p, std::uint8_t stops, const char*& colon) {
    colon = p;
    while (true) {
        while (!(ClassOf(p) & (stops | kColon))) ++p;
        if (*p != ':') return p;
        colon = ++p;
    }
}

class Reader {
  public:
    Reader(const XmlSource& source, XmlHandler& handler)
        : m_source(source), m_handler(handler), m_data(std::make_unique<char[]>(1)) {
        m_data[0] = '<';  // the end mark of an empty buffer
        m_attributes.reserve(8);
    }

    Status Run() {
        while (true) {
            if (m_scanned == 0 && !m_ended && m_handler.Scanning()) {
                Scan();
                if (!m_handler.Ok()) return Done{};
            }
            // Text runs to the next '<'; it is handed on whole, so an entity is never cut in two.
            if (m_scanned == 0) m_plain = true;
            const char* q = m_data.get() + m_pos + m_scanned;
            while (true) {
                while (!(ClassOf(q) & kTextStop)) ++q;
                if (*q == '<') break;
                m_plain = false;  // an entity or a CR: resolved and normalised on the way
                ++q;
            }
            const std::size_t lt = static_cast<std::size_t>(q - m_data.get());
            if (lt == m_size) {
                m_scanned = m_size - m_pos;
                if (m_scanned > kMaxItem) return Error{"a markup item is too long"};
                const long n = More();
                if (n < 0) return Error{"corrupt part"};
                if (n > 0) continue;
                GiveText(View(m_pos, m_size));
                break;
            }
            m_scanned = 0;
            GiveText(View(m_pos, lt));
            m_pos = lt;
            std::size_t end = 0;
            if (!QuickItem(end)) {
                if (Status s = Complete(end); !s) return s;
                if (end == 0) return Malformed();  // the part ends inside markup
                if (!Item(View(m_pos, end))) return Malformed();
            }
            m_pos = end;
            if (!m_handler.Ok()) return Done{};
        }
        if (!m_open.empty() || !m_rootSeen || !m_pendingText.empty()) return Malformed();
        return Done{};
    }

  private:
    std::string_view View(std::size_t from, std::size_t to) const { return {m_data.get() + from, to - from}; }

    // Offers the handler the bytes from m_pos while it scans them itself, reading more as it asks.
    // Once the part ends (or fails) the rest is read here as ever, and meets the same end.
    void Scan() {
        while (!m_ended) {
            m_pos += std::min(m_handler.Scan(View(m_pos, m_size)), m_size - m_pos);
            if (!m_handler.Ok() || !m_handler.Scanning() || More() <= 0) return;
        }
    }

    // Reads more of the part after the bytes not yet handed on; once the source has ended or
    // failed it is not asked again, and that outcome is returned.
    long More() {
        if (m_ended) return m_endResult;
        if (m_pos > 0) {
            std::memmove(m_data.get(), m_data.get() + m_pos, m_size - m_pos);
            m_size -= m_pos;
            m_pos = 0;
        }
        // An item that spans many pieces makes the reads grow, so it is searched a few times only.
        const std::size_t want = std::max(kChunk, m_size);
        if (m_size + want > m_capacity) {
            const std::size_t capacity = std::max(m_size + want, 2 * m_capacity);
            auto grown = std::make_unique_for_overwrite<char[]>(capacity + 1);  // and the end mark
            if (m_size > 0) std::memcpy(grown.get(), m_data.get(), m_size);
            m_data = std::move(grown);
            m_capacity = capacity;
        }
        const long n = m_source(m_data.get() + m_size, want);
        if (n > 0) m_size += static_cast<std::size_t>(n);
        m_data[m_size] = '<';
        if (n <= 0) {
            m_ended = true;
            m_endResult = n;
        }
        return n;
    }

    // The common shapes of a tag read in one pass: an end tag without blanks, or a start tag whose
    // attribute values hold no entity and no blank other than ' '. Anything else, or a tag cut by
    // the end of the buffer, is left to Complete and Item (false), which read it alike.
    bool QuickItem(std::size_t& end) {
        const char* p = m_data.get() + m_pos + 1;
        const char* local = nullptr;
        if (*p == '/') {
            const char* q = ScanName(++p, kBlank | kClose | kQuote | kOdd, local);
            const auto size = static_cast<std::size_t>(q - p);
            if (*q != '>' || m_open.empty() || !IsOpenName(p, size)) return false;
            m_names.resize(m_names.size() - size);
            m_open.pop_back();
            m_handler.End(std::string_view(local, static_cast<std::size_t>(q - local)));
            end = static_cast<std::size_t>(q + 1 - m_data.get());
            return true;
        }
        if ((m_open.empty() && m_rootSeen) || m_open.size() >= kMaxDepth) return false;
        const char* q = ScanName(p, kBlank | kClose | kSlash | kQuote | kEquals | kOdd, local);
        if (q == p || (ClassOf(q) & (kQuote | kEquals | kOdd))) return false;
        const std::string_view name(p, static_cast<std::size_t>(q - p));
        m_attributes.clear();
        bool empty = false;
        while (true) {
            const bool blank = ClassOf(q) & kBlank;
            while (ClassOf(q) & kBlank) ++q;
            if (*q == '>') {
                ++q;
                break;
            }
            if (*q == '/') {
                if (q[1] != '>') return false;
                empty = true;
                q += 2;
                break;
            }
            if (!blank) return false;
            const char* attrLocal = nullptr;
            const char* a = q;
            q = ScanName(q, kBlank | kClose | kSlash | kQuote | kEquals | kOdd, attrLocal);
            if (q == a || *q != '=' || !(ClassOf(q + 1) & kQuote)) return false;
            const char quote = q[1];
            const char* v = q + 2;
            q = v;
            while (*q != quote) {  // the end mark '<' stops this too
                if (ClassOf(q) & kTextStop || *q == '\t' || *q == '\n') return false;
                ++q;
            }
            m_attributes.push_back({std::string_view(attrLocal, static_cast<std::size_t>(v - 2 - attrLocal)),
                                    std::string_view(v, static_cast<std::size_t>(q - v))});
            ++q;
        }
        m_rootSeen = true;
        const std::string_view localName(local, static_cast<std::size_t>(name.end() - local));
        m_handler.Start(localName, m_attributes);
        if (empty) {
            m_handler.End(localName);
        } else {
            m_open.push_back(m_names.size());
            m_names.append(name);
        }
        end = static_cast<std::size_t>(q - m_data.get());
        return true;
    }

    bool IsOpenName(const char* name, std::size_t size) const {
        const std::size_t start = m_open.back();
        if (m_names.size() - start != size) return false;
        const char* open = m_names.data() + start;
        for (std::size_t i = 0; i < size; ++i) {
            if (open[i] != name[i]) return false;
        }
        return true;
    }

    // Finds the end of the item at m_pos (reading more as needed); end = 0 when the part ends first.
    Status Complete(std::size_t& end) {
        while (true) {
            const std::string_view rest = View(m_pos, m_size);
            std::size_t found = std::string_view::npos;
            if (rest.starts_with("<!--")) {
                found = rest.find("-->", 4);
                if (found != std::string_view::npos) found += 3;
            } else if (rest.starts_with("<![CDATA[")) {
                found = rest.find("]]>", 9);
                if (found != std::string_view::npos) found += 3;
            } else if (rest.size() >= 9 || !std::string_view("<![CDATA[").starts_with(rest)) {
                found = TagEnd(rest);
            }
            if (found != std::string_view::npos) {
                end = m_pos + found;
                return Done{};
            }
            if (rest.size() > kMaxItem) return Error{"a markup item is too long"};
            const long n = More();
            if (n < 0) return Error{"corrupt part"};
            if (n == 0) return Done{};
        }
    }

    // Just past the '>' that closes the tag, skipping quoted attribute values.
    static std::size_t TagEnd(std::string_view rest) {
        char quote = 0;
        for (std::size_t i = 1; i < rest.size(); ++i) {
            const char c = rest[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                return i + 1;
            }
        }
        return std::string_view::npos;
    }

    void GiveText(std::string_view raw) {
        if (raw.empty()) return;
        if (m_open.empty()) {  // only blanks may stand outside the root, and a byte order mark before it
            if (!m_rootSeen && raw.starts_with("\xEF\xBB\xBF")) raw.remove_prefix(3);
            if (raw.find_first_not_of(" \t\r\n") != std::string_view::npos) m_pendingText = "x";
            return;
        }
        if (m_plain) {  // nothing to resolve or normalise: handed on as it stands
            m_handler.Text(raw);
            return;
        }
        m_text.clear();
        AppendNormalised(raw, m_scratch);
        AppendResolved(m_scratch, m_text);
        m_scratch.clear();
        m_handler.Text(m_text);
    }

    bool Item(std::string_view item) {
        if (item.starts_with("<!--") || item.starts_with("<?") || item.starts_with("<!DOCTYPE")) return true;
        if (item.starts_with("<![CDATA[")) {
            if (m_open.empty()) return false;
            m_text.clear();
            AppendNormalised(item.substr(9, item.size() - 12), m_text);
            m_handler.Text(m_text);
            return true;
        }
        if (item.starts_with("</")) return EndTag(item.substr(2, item.size() - 3));
        return StartTag(item.substr(1, item.size() - 2));
    }

    bool EndTag(std::string_view body) {
        const std::string_view name = TrimView(body);
        if (m_open.empty() || OpenName() != name) return false;
        m_names.resize(m_names.size() - name.size());
        m_open.pop_back();
        m_handler.End(LocalName(name));
        return true;
    }

    std::string_view OpenName() const { return std::string_view(m_names).substr(m_open.back()); }

    bool StartTag(std::string_view body) {
        const bool empty = body.ends_with('/');
        if (empty) body.remove_suffix(1);
        std::size_t i = 0;
        while (i < body.size() && !IsSpace(body[i])) ++i;
        const std::string_view name = body.substr(0, i);
        if (name.empty() || (m_open.empty() && m_rootSeen) || m_open.size() >= kMaxDepth) return false;
        if (!Attributes(body.substr(i))) return false;
        m_rootSeen = true;
        m_handler.Start(LocalName(name), m_attributes);
        if (empty)
            m_handler.End(LocalName(name));
        else {
            m_open.push_back(m_names.size());
            m_names += name;
        }
        return true;
    }

    bool Attributes(std::string_view text) {
        m_attributes.clear();
        m_values.clear();
        auto& spans = m_spans;  // name, and where its value stands in m_values
        spans.clear();
        std::size_t i = 0;
        while (true) {
            while (i < text.size() && IsSpace(text[i])) ++i;
            if (i == text.size()) break;
            const std::size_t eq = text.find('=', i);
            if (eq == std::string_view::npos) return false;
            const std::string_view name = TrimBlanks(text.substr(i, eq - i));
            std::size_t q = eq + 1;
            while (q < text.size() && IsSpace(text[q])) ++q;
            if (q == text.size() || (text[q] != '"' && text[q] != '\'')) return false;
            const std::size_t close = text.find(text[q], q + 1);
            if (close == std::string_view::npos || name.empty()) return false;
            const std::size_t offset = m_values.size();
            std::string& value = m_value;
            value.assign(text.substr(q + 1, close - q - 1));
            for (char& c : value) c = IsSpace(c) ? ' ' : c;  // as parsers do
            AppendResolved(value, m_values);
            spans.push_back({name, offset, m_values.size() - offset});  // a NUL byte is part of the value
            i = close + 1;
        }
        for (const ValueSpan& span : spans)
            m_attributes.push_back({LocalName(span.name), std::string_view(m_values).substr(span.offset, span.size)});
        return true;
    }

    const XmlSource& m_source;
    XmlHandler& m_handler;
    std::unique_ptr<char[]> m_data;  // the part's bytes not yet handed on, [m_pos, m_size)
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    std::size_t m_scanned = 0;  // bytes after m_pos already searched for '<'
    bool m_ended = false;       // the source has given its last bytes (m_endResult 0) or failed (-1)
    long m_endResult = 0;
    bool m_plain = true;        // those bytes hold no '&' and no CR
    std::vector<std::size_t> m_open;  // open elements: where each name starts in m_names
    std::string m_names;
    bool m_rootSeen = false;
    std::string m_pendingText;  // non-blank text outside the root element
    std::string m_text, m_scratch, m_values;
    std::vector<XmlHandler::Attribute> m_attributes;
    struct ValueSpan {
        std::string_view name;
        std::size_t offset, size;
    };
    std::vector<ValueSpan> m_spans;
    std::string m_value;
};

}  // namespace

void AppendResolved(std::string_view text, std::string& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find('&', i);
        out.append(text.substr(i, amp == std::string_view::npos ? std::string_view::npos : amp - i));
        if (amp == std::string_view::npos) return;
        const std::size_t semi = text.find(';', amp);
        const std::string_view name =
            semi == std::string_view::npos || semi - amp > 12 ? std::string_view() : text.substr(amp + 1, semi - amp - 1);
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& [entity, c] : kNamed) {
            if (name == entity) {
                out += c;
                done = true;
            }
        }
        if (!done && name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            std::uint32_t cp = 0;
            const std::string_view digits = name.substr(hex ? 2 : 1);
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
            if (ec == std::errc() && end == digits.data() + digits.size() && cp > 0 && cp <= 0x10FFFF &&
                !(cp >= 0xD800 && cp <= 0xDFFF)) {
                AppendUtf8(out, cp);
                done = true;
            }
        }
        if (!done) {
            out += '&';
            i = amp + 1;
            continue;
        }
        i = semi + 1;
    }
}

void AppendNormalised(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
}

Status ReadXml(const XmlSource& source, XmlHandler& handler) { return Reader(source, handler).Run(); }

}  // namespace moxtel
