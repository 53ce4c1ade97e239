#pragma once

// The two ways a delimited text export splits into fields and lines, written once for the sinks
// that take what they find: a sink has Field/Line (a field standing in the text as it is), Append/
// EndField/EndLine (a field built byte by byte), NextLine(at) (the next line starts at text[at]) and
// Full() (stop splitting).

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace moxtel {

// Length of the line break at text[i] (CR LF, LF or a lone CR), 0 when there is none.
inline std::size_t LineBreakAt(std::string_view text, std::size_t i) {
    if (text[i] == '\n') return 1;
    if (text[i] == '\r') return i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    return 0;
}

template <typename Sink>
void SplitTabs(std::string_view text, Sink& table) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && !table.Full();) {
        const std::size_t lineBreak = LineBreakAt(text, i);
        if (text[i] != '\t' && lineBreak == 0) {
            ++i;
            continue;
        }
        if (lineBreak) {
            table.Line(text.substr(start, i - start));
            i += lineBreak;
            table.NextLine(i);
        } else {
            table.Field(text.substr(start, i - start));
            ++i;
        }
        start = i;
    }
    table.Line(text.substr(std::min(start, text.size())));
}

// Comma-separated fields; a field that starts with a quote runs to the closing quote, may hold
// commas and line breaks, and writes a quote as two quotes.
template <typename Sink>
void SplitCommas(std::string_view text, Sink& table) {
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size() && !table.Full();) {
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
        if (fieldStart && c != '"' && c != ',') {
            // A field that does not start with a quote runs to the next comma or line break as it
            // stands (a quote inside it is an ordinary character): handed over whole, not byte by byte.
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != ',' && text[end] != '\n' && text[end] != '\r') ++end;
            if (end == text.size()) {
                table.Line(text.substr(i));
                return;
            }
            if (text[end] == ',') {
                table.Field(text.substr(i, end - i));
                i = end + 1;
            } else {
                table.Line(text.substr(i, end - i));
                i = end + LineBreakAt(text, end);
                table.NextLine(i);
            }
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

// The fields of a comma file or of a tab file.
template <typename Sink>
void SplitText(std::string_view text, bool commas, Sink& table) {
    if (commas)
        SplitCommas(text, table);
    else
        SplitTabs(text, table);
}

}  // namespace moxtel
