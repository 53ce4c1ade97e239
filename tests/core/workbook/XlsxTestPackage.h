#pragma once

// Builds small .xlsx packages for the reader tests: a ZIP file with stored (uncompressed) parts
// by default, so each test shows the XML it feeds the reader; a part may be deflated, put in
// Zip64 form, or damaged on purpose.

#include <zlib.h>

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

// Raw deflate (no zlib header), as ZIP entries hold it.
inline std::string Deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct ZipPart {
    std::string name;
    std::string data;
    // When set, the headers claim this uncompressed size instead of the real one.
    std::uint32_t claimedSize = 0;
    // 0 stored, 8 deflated here; any other method is written with the bytes stored as they are.
    std::uint16_t method = 0;
    std::uint16_t flags = 0;  // general purpose flags (1: encrypted)
    std::uint32_t crcXor = 0;  // spoils the recorded CRC-32
    bool zip64 = false;        // sizes and offset given in the Zip64 extra field
};

// The archive's end: a comment after the end record, and the Zip64 end records even where the
// sizes fit (they are always written when a part is in Zip64 form).
struct ZipEnd {
    std::string comment;
    bool zip64 = false;
};

inline void Put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
inline void Put64(std::string& s, std::uint64_t v) {
    Put32(s, static_cast<std::uint32_t>(v));
    Put32(s, static_cast<std::uint32_t>(v >> 32));
}

inline std::string ZipBytes(const std::vector<ZipPart>& parts, const ZipEnd& end = {}) {
    std::string out, directory;
    bool zip64End = end.zip64;
    for (const ZipPart& part : parts) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const std::string packed = part.method == 8 ? Deflate(part.data) : part.data;
        const auto packedSize = static_cast<std::uint32_t>(packed.size());
        const std::uint32_t claimed = part.claimedSize ? part.claimedSize : static_cast<std::uint32_t>(part.data.size());
        const std::uint32_t crc = Crc32(part.data) ^ part.crcXor;
        const std::uint32_t wide = 0xFFFFFFFFu;
        zip64End |= part.zip64;
        // local file header: version 20 (45 for Zip64), fixed DOS time
        std::string localExtra, directoryExtra;
        if (part.zip64) {
            Put16(localExtra, 1), Put16(localExtra, 16), Put64(localExtra, claimed), Put64(localExtra, packedSize);
            Put16(directoryExtra, 1), Put16(directoryExtra, 24);
            Put64(directoryExtra, claimed), Put64(directoryExtra, packedSize), Put64(directoryExtra, offset);
        }
        const std::uint32_t version = part.zip64 ? 45 : 20;
        Put32(out, 0x04034b50);
        Put16(out, version), Put16(out, part.flags), Put16(out, part.method), Put16(out, 0), Put16(out, 0x21);
        Put32(out, crc), Put32(out, part.zip64 ? wide : packedSize), Put32(out, part.zip64 ? wide : claimed);
        Put16(out, static_cast<std::uint32_t>(part.name.size())), Put16(out, static_cast<std::uint32_t>(localExtra.size()));
        out += part.name;
        out += localExtra;
        out += packed;
        Put32(directory, 0x02014b50);
        Put16(directory, version), Put16(directory, version), Put16(directory, part.flags), Put16(directory, part.method);
        Put16(directory, 0), Put16(directory, 0x21);
        Put32(directory, crc), Put32(directory, part.zip64 ? wide : packedSize), Put32(directory, part.zip64 ? wide : claimed);
        Put16(directory, static_cast<std::uint32_t>(part.name.size()));
        Put16(directory, static_cast<std::uint32_t>(directoryExtra.size())), Put16(directory, 0), Put16(directory, 0), Put16(directory, 0);
        Put32(directory, 0), Put32(directory, part.zip64 ? wide : offset);
        directory += part.name;
        directory += directoryExtra;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    if (zip64End) {
        const auto recordOffset = out.size();
        Put32(out, 0x06064b50), Put64(out, 44), Put16(out, 45), Put16(out, 45), Put32(out, 0), Put32(out, 0);
        Put64(out, parts.size()), Put64(out, parts.size()), Put64(out, directory.size()), Put64(out, directoryOffset);
        Put32(out, 0x07064b50), Put32(out, 0), Put64(out, recordOffset), Put32(out, 1);
    }
    const std::uint32_t count = zip64End ? 0xFFFF : static_cast<std::uint32_t>(parts.size());
    Put32(out, 0x06054b50);
    Put16(out, 0), Put16(out, 0), Put16(out, count), Put16(out, count);
    Put32(out, zip64End ? 0xFFFFFFFFu : static_cast<std::uint32_t>(directory.size()));
    Put32(out, zip64End ? 0xFFFFFFFFu : directoryOffset);
    Put16(out, static_cast<std::uint32_t>(end.comment.size()));
    out += end.comment;
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
