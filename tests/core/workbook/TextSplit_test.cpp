// A comma file's unquoted fields are handed over whole, not byte by byte: what the sinks receive
// (fields, line ends, where each next line starts) must be exactly what the byte-by-byte reading
// of the same text gives, for quotes, quotes inside fields, every line break and a text cut anywhere.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "workbook/TextSplit.h"

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

// The byte-by-byte reading the fast path must agree with: every character is appended.
void SplitCommasByteByByte(std::string_view text, Recorder& table) {
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                table.Append('"');
                i += 2;
            } else if (c == '"') {
                quoted = false;
                ++i;
            } else if (const std::size_t lineBreak = LineBreakAt(text, i)) {
                table.Append('\n');
                i += lineBreak;
            } else {
                table.Append(c);
                ++i;
            }
            continue;
        }
        if (const std::size_t lineBreak = LineBreakAt(text, i)) {
            table.EndLine();
            i += lineBreak;
            table.NextLine(i);
            fieldStart = true;
            continue;
        }
        if (c == ',') {
            table.EndField();
            fieldStart = true;
        } else if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else {
            table.Append(c);
            fieldStart = false;
        }
        ++i;
    }
    table.EndLine();
}

void ExpectSameSplit(const std::string& text) {
    Recorder fast;
    Recorder slow;
    SplitCommas(text, fast);
    SplitCommasByteByByte(text, slow);
    EXPECT_EQ(fast.Seen(), slow.Seen()) << "text: " << text;
}

TEST(TextSplit, CommaFieldsWholeReadAsByteByByte) {
    for (const std::string text : {
             "600000,2021.01.04T09:25:00.000,10.00,9800,98000.00,1,2,N\n",
             "a,b\r\nc,d\re,f\n\ng",   // every line break, a last line without one
             ",,\n,",                  // empty fields only
             "x\"y\"z,\"q,\"\"r\"\"\",tail",  // a quote inside a field; a quoted field with commas
             "\"joined\"tail,end",     // text after a closing quote joins the field
             "last,",                  // a comma at the very end
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
