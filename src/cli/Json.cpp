#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "workbook/Utf8Check.h"

namespace moxtel {

// The text being made, handed to the stream (when there is one) whenever a piece has grown.
struct Json::Sink {
    std::string text;
    std::ostream* stream = nullptr;
    void Flush(bool always) {
        if (stream && (always || text.size() >= (64u << 10))) {
            stream->write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
};

namespace {

// Appends the character text starts with, or U+FFFD for its first byte when that starts no
// well-formed character; returns the bytes taken.
std::size_t AppendUtf8Char(std::string& out, std::string_view text) {
    const unsigned lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > 1 && ValidUtf8Prefix(text.substr(0, length)) == length) {
        out.append(text.substr(0, length));
        return length;
    }
    out += "\xEF\xBF\xBD";
    return 1;
}

// Escapes what JSON requires; a byte that starts no well-formed UTF-8 character (a GBK file name)
// becomes U+FFFD, so the output is always valid UTF-8. ASCII takes no extra work.
void WriteString(std::string& out, const std::string& s) {
    out += '"';
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c < 0x80) {
                    out += ch;
                } else {
                    i += AppendUtf8Char(out, std::string_view(s).substr(i)) - 1;
                }
        }
    }
    out += '"';
}

void WriteNumber(std::string& out, double d) {
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    if (d == 0) d = 0;  // no "-0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, d);
    out.append(buf, res.ptr);
}

void NewLine(std::string& out, int indent) {
    out += '\n';
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
}

}  // namespace

Json& Json::Add(std::string key, Json value) {
    std::get<Object>(m_value).emplace_back(std::move(key), std::move(value));
    return *this;
}

Json& Json::Push(Json value) {
    std::get<Array>(m_value).push_back(std::move(value));
    return *this;
}

std::string Json::Dump() const {
    Sink out;
    Write(out, 0);
    out.text += '\n';
    return std::move(out.text);
}

void Json::Dump(std::ostream& stream) const {
    Sink out{{}, &stream};
    Write(out, 0);
    out.text += '\n';
    out.Flush(true);
}

void Json::Write(Sink& sink, int indent) const {
    std::string& out = sink.text;
    if (std::holds_alternative<std::nullptr_t>(m_value)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&m_value)) {
        out += *b ? "true" : "false";
    } else if (const double* d = std::get_if<double>(&m_value)) {
        WriteNumber(out, *d);
    } else if (const std::string* s = std::get_if<std::string>(&m_value)) {
        WriteString(out, *s);
    } else if (const Array* a = std::get_if<Array>(&m_value)) {
        if (a->empty()) {
            out += "[]";
            return;
        }
        out += '[';
        for (std::size_t i = 0; i < a->size(); ++i) {
            if (i) out += ',';
            NewLine(out, indent + 1);
            (*a)[i].Write(sink, indent + 1);
        }
        NewLine(out, indent);
        out += ']';
    } else if (const Generated* g = std::get_if<Generated>(&m_value)) {
        if (g->count == 0) {
            out += "[]";
            return;
        }
        out += '[';
        for (std::size_t i = 0; i < g->count; ++i) {
            if (i) out += ',';
            NewLine(out, indent + 1);
            g->element(i).Write(sink, indent + 1);
            sink.Flush(false);
        }
        NewLine(out, indent);
        out += ']';
    } else {
        const Object& o = std::get<Object>(m_value);
        if (o.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        for (std::size_t i = 0; i < o.size(); ++i) {
            if (i) out += ',';
            NewLine(out, indent + 1);
            WriteString(out, o[i].first);
            out += ": ";
            o[i].second.Write(sink, indent + 1);
        }
        NewLine(out, indent);
        out += '}';
    }
}

}  // namespace moxtel
