// Plain-text tables for the terminal, aligned by display width.
#include <algorithm>
#include <ostream>

#include "cli/CliCommands.h"

namespace moxtel {

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = 1;
        if (c >= 0xF0) {
            len = 4;
        } else if (c >= 0xE0) {
            len = 3;
        } else if (c >= 0xC0) {
            len = 2;
        }
        width += len >= 3 ? 2 : 1;  // three- and four-byte characters here are CJK or full width
        i += len;
    }
    return width;
}

std::string PadRight(const std::string& text, std::size_t width) {
    const std::size_t w = DisplayWidth(text);
    return w >= width ? text : text + std::string(width - w, ' ');
}

void WriteTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        widths[c] = DisplayWidth(header[c]);
        for (const auto& row : rows) {
            if (c < row.size()) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    auto writeRow = [&](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            line += c + 1 < row.size() ? PadRight(row[c], widths[c] + 2) : row[c];
        }
        out << line << "\n";
    };
    writeRow(header);
    for (const auto& row : rows) writeRow(row);
}

namespace {

// RFC 4180 field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

void WriteCsvRow(std::ostream& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
    out << "\r\n";
}

}  // namespace

void WriteCsv(std::ostream& out, const std::vector<std::string>& header,
              const std::vector<std::vector<std::string>>& rows) {
    WriteCsvRow(out, header);
    for (const auto& row : rows) WriteCsvRow(out, row);
}

}  // namespace moxtel
