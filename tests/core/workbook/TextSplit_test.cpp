// A comma file's unquoted fields are handed over whole, not byte by byte: what the sinks receive
// (fields, line ends, where each next line starts) must be exactly what the byte-by-byte reading
// of the same text gives, for quotes, quotes inside fields, every line break and a text cut anywhere.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/workbook/TextSplit.h"

namespace moxtel {
namespace {

// What a sink saw, as text: fields in [], "|" ends a line, "@n" a next line starting at n.
class Recorder {
  public:
    void Field(std::string_view text) { m_seen += "[" + std::string(text) + "]"; }
    void Line(std::string_view text) {
        Field(text);
        m_seen += "|";
    }
    void Append(char c) { m_field += c; }
    void EndField() {
        Field(m_field);
        m_field.clear();
    }
    void EndLine() {
        EndField();
        m_seen += "|";
    }
    void NextLine(std::size_t at) { m_seen += "@" + std::to_string(at); }
    bool Full() const { return false; }
    const std::string& Seen() const { return m_seen; }

  private:
    std::string m_seen;
    std::string m_field;
};

// The reading the fast path must agree with, every byte taken one at a time: what a Recorder
// sees of it, from a plain loop over the text.
std::string ByteByByte(std::string_view text) {
    std::string seen;
    std::string field;
    bool quoted = false;
    bool atStart = true;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const std::size_t breakLength = LineBreakAt(text, i);
        if (quoted) {
            const bool doubled = c == '"' && i + 1 < text.size() && text[i + 1] == '"';
            if (c == '"' && !doubled) quoted = false;
            if (c != '"' || doubled) field += breakLength ? '\n' : c;
            i += doubled ? 2 : std::max<std::size_t>(breakLength, 1);
        } else if (breakLength || c == ',') {
            seen += "[" + field + "]" + (breakLength ? "|@" + std::to_string(i + breakLength) : "");
            field.clear();
            atStart = true;
            i += std::max<std::size_t>(breakLength, 1);
        } else {
            if (c == '"' && atStart)
                quoted = true;
            else
                field += c;
            atStart = false;
            ++i;
        }
    }
    return seen + "[" + field + "]|";
}

void ExpectSameSplit(const std::string& text) {
    Recorder fast;
    SplitCommas(text, fast);
    EXPECT_EQ(fast.Seen(), ByteByByte(text)) << "text: " << text;
}

TEST(TextSplit, CommaFieldsWholeReadAsByteByByte) {
    for (const std::string text : {
             "600000,2021.01.04T09:25:00.000,10.00,9800,98000.00,1,2,N\n",
             "a,b\r\nc,d\re,f\n\ng",          // every line break, a last line without one
             ",,\n,",                         // empty fields only
             "x\"y\"z,\"q,\"\"r\"\"\",tail",  // a quote inside a field; a quoted field with commas
             "\"joined\"tail,end",            // text after a closing quote joins the field
             "last,",                         // a comma at the very end
             "\"open to the end\nstill",
             "",
             "a",
             "\r",
         }) {
        ExpectSameSplit(text);
    }
}

TEST(TextSplit, RandomCommaTextsReadAsByteByByte) {
    std::mt19937 random(22);
    const std::string alphabet = "ab,,\"\r\n";
    for (int n = 0; n < 3000; ++n) {
        std::string text(random() % 24, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        ExpectSameSplit(text);
    }
}

}  // namespace
}  // namespace moxtel
