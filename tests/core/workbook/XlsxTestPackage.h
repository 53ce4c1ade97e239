#pragma once

// Builds small .xlsx packages for the reader tests: a ZIP file with stored (uncompressed) parts,
// so each test shows the XML it feeds the reader.

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace moxtel::testing {

inline std::uint32_t Crc32(const std::string& data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

struct ZipPart {
    std::string name;
    std::string data;
    // When set, the headers claim this uncompressed size instead of the real one.
    std::uint32_t claimedSize = 0;
};

inline std::string ZipBytes(const std::vector<ZipPart>& parts) {
    std::string out, directory;
    const auto put16 = [](std::string& s, std::uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    const auto put32 = [&](std::string& s, std::uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    for (const ZipPart& part : parts) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(part.data.size());
        const std::uint32_t claimed = part.claimedSize ? part.claimedSize : size;
        const std::uint32_t crc = Crc32(part.data);
        // local file header: version 20, no flags, stored, fixed DOS time
        put32(out, 0x04034b50);
        put16(out, 20), put16(out, 0), put16(out, 0), put16(out, 0), put16(out, 0x21);
        put32(out, crc), put32(out, size), put32(out, claimed);
        put16(out, static_cast<std::uint32_t>(part.name.size())), put16(out, 0);
        out += part.name;
        out += part.data;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, 0);
        put16(directory, 0), put16(directory, 0x21);
        put32(directory, crc), put32(directory, size), put32(directory, claimed);
        put16(directory, static_cast<std::uint32_t>(part.name.size()));
        put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, offset);
        directory += part.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0), put16(out, 0);
    put16(out, static_cast<std::uint32_t>(parts.size())), put16(out, static_cast<std::uint32_t>(parts.size()));
    put32(out, static_cast<std::uint32_t>(directory.size())), put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The parts of a one-sheet workbook around the given sheetData content; optional shared strings
// and styles. Tests edit the returned list to remove or corrupt parts.
inline std::vector<ZipPart> MinimalWorkbook(const std::string& sheetData, const std::string& sharedStrings = "",
                                            const std::string& styles = "", const std::string& workbookPr = "") {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::string workbookRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" + rel + "worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStrings.empty())
        workbookRels += "<Relationship Id=\"rId2\" Type=\"" + rel + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    if (!styles.empty()) workbookRels += "<Relationship Id=\"rId3\" Type=\"" + rel + "styles\" Target=\"styles.xml\"/>";
    workbookRels += "</Relationships>";

    std::vector<ZipPart> parts = {
        {"_rels/.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + rel + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", std::string("<workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">" +
                                workbookPr +
                                "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", workbookRels},
        {"xl/worksheets/sheet1.xml",
         std::string("<worksheet xmlns=\"") + kMainNs + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"},
    };
    const std::string ns = std::string(" xmlns=\"") + kMainNs + "\">";
    if (!sharedStrings.empty()) parts.push_back({"xl/sharedStrings.xml", "<sst" + ns + sharedStrings + "</sst>"});
    if (!styles.empty()) parts.push_back({"xl/styles.xml", "<styleSheet" + ns + styles + "</styleSheet>"});
    return parts;
}

}  // namespace moxtel::testing
