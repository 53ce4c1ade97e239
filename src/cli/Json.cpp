#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/workbook/Utf8Check.h"

namespace moxtel {

using Value = nlohmann::ordered_json;

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

// Strings are kept well formed: each byte that starts no well-formed character (a GBK file name)
// becomes one U+FFFD, so the output is always valid UTF-8. nlohmann's own replacement would merge a
// cut-short character into one U+FFFD; this keeps one per byte, as the output always had.
std::string WellFormed(std::string s) {
    std::string scratch;
    if (RepairUtf8(s, scratch).data() == s.data()) return s;
    return scratch;
}

// Numbers are written by std::to_chars, the shortest text that reads back exactly: nlohmann's
// Grisu2 sometimes writes a longer one (1430.0453439999999 for 1430.045344) and gives whole
// numbers a ".0".
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

// Whether nlohmann writes value as this writer does, which is the case for everything but numbers
// and generated arrays: then one call of the library writes it whole (a trade, a row of texts).
bool LibraryWritesAlike(const Value& value) {
    if (value.is_number() || value.is_binary()) return false;
    if (value.is_structured()) {
        for (const Value& child : value)
            if (!LibraryWritesAlike(child)) return false;
    }
    return true;
}

// text, written by the library from indentation 0, placed at the given depth.
void AppendIndented(std::string& out, const std::string& text, int indent) {
    std::size_t from = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', from)) {
        out.append(text, from, end - from);
        NewLine(out, indent);
        from = end + 1;
    }
    out.append(text, from);
}

Value Placeholder(std::size_t index) { return Value::binary({}, index); }

void Renumber(Value& value, std::size_t offset) {
    if (value.is_binary()) {
        value.get_binary().set_subtype(value.get_binary().subtype() + offset);
    } else if (value.is_structured()) {
        for (Value& child : value) Renumber(child, offset);
    }
}

}  // namespace

Json::Json() = default;
Json::Json(std::nullptr_t) {}
Json::Json(bool b) : m_value(b) {}
Json::Json(double d) : m_value(d) {}
Json::Json(int i) : m_value(static_cast<double>(i)) {}
Json::Json(std::string s) : m_value(WellFormed(std::move(s))) {}
Json::Json(const char* s) : Json(std::string(s)) {}
Json::Json(Array a) : Json(MakeArray()) {
    for (Json& element : a) Push(std::move(element));
}
Json::Json(Object o) : Json(MakeObject()) {
    for (auto& [key, value] : o) Add(std::move(key), std::move(value));
}
Json::Json(Generated g) : m_value(Placeholder(0)) { m_generated.push_back(std::move(g)); }

Json Json::MakeObject() {
    Json json;
    json.m_value = Value::object();
    return json;
}

Json Json::MakeArray() {
    Json json;
    json.m_value = Value::array();
    return json;
}

void Json::Adopt(Json& other) {
    if (other.m_generated.empty()) return;
    Renumber(other.m_value, m_generated.size());
    for (Generated& g : other.m_generated) m_generated.push_back(std::move(g));
}

// Both throw nlohmann's type_error when this is not an object or an array, as a wrong use.
Json& Json::Add(std::string key, Json value) {
    Adopt(value);
    auto& members = m_value.get_ref<Value::object_t&>();
    if (members.empty()) members.reserve(16);  // room for a trade's members at once
    members.emplace_back(WellFormed(std::move(key)), std::move(value.m_value));
    return *this;
}

Json& Json::Push(Json value) {
    Adopt(value);
    m_value.get_ref<Value::array_t&>().push_back(std::move(value.m_value));
    return *this;
}

std::string Json::Dump() const {
    Sink out;
    Write(out, m_value, 0);
    out.text += '\n';
    return std::move(out.text);
}

void Json::Dump(std::ostream& stream) const {
    Sink out{{}, &stream};
    Write(out, m_value, 0);
    out.text += '\n';
    out.Flush(true);
}

void Json::Write(Sink& sink, const Value& value, int indent) const {
    std::string& out = sink.text;
    if (LibraryWritesAlike(value)) {
        AppendIndented(out, value.dump(2, ' ', false, Value::error_handler_t::replace), indent);
        return;
    }
    switch (value.type()) {
        case Value::value_t::number_float:
        case Value::value_t::number_integer:
        case Value::value_t::number_unsigned:
            WriteNumber(out, value.get<double>());
            return;
        case Value::value_t::binary: {
            const Generated& g = m_generated.at(value.get_binary().subtype());
            if (g.count == 0) {
                out += "[]";
                return;
            }
            out += '[';
            for (std::size_t i = 0; i < g.count; ++i) {
                if (i) out += ',';
                NewLine(out, indent + 1);
                const Json element = g.element(i);
                element.Write(sink, element.m_value, indent + 1);
                sink.Flush(false);
            }
            NewLine(out, indent);
            out += ']';
            return;
        }
        case Value::value_t::array:
        case Value::value_t::object: {
            if (value.empty()) {
                out += value.is_array() ? "[]" : "{}";
                return;
            }
            out += value.is_array() ? '[' : '{';
            bool first = true;
            for (auto it = value.begin(); it != value.end(); ++it) {
                if (!first) out += ',';
                first = false;
                NewLine(out, indent + 1);
                if (value.is_object()) out += Value(it.key()).dump() + ": ";
                Write(sink, it.value(), indent + 1);
            }
            NewLine(out, indent);
            out += value.is_array() ? ']' : '}';
            return;
        }
        default:  // LibraryWritesAlike took every other kind
            return;
    }
}

}  // namespace moxtel
