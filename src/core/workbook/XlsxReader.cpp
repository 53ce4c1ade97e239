// Reads the active sheet of an Office Open XML workbook: the ZIP container through ZipArchive, the
// parts through pugixml and, for the large ones, the streaming XML reader. Part names and XML
// element names are matched without their namespace prefix, so transitional and strict files and
// prefixed writers read alike.

#include <algorithm>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/TextUtil.h"
#include "core/workbook/NumberFormat.h"
#include "core/workbook/ReadAhead.h"
#include "core/workbook/WorkbookFormats.h"
#include "core/workbook/XlsxCells.h"
#include "core/workbook/XmlPull.h"
#include "core/workbook/ZipArchive.h"

namespace moxtel {
namespace {

// Largest uncompressed part accepted; a header claiming more, or data inflating past it, is refused.
constexpr std::uint64_t kMaxPartBytes = std::uint64_t{256} << 20;
// Parts read whole into a document tree (workbook, relationships, styles) are small in any real
// workbook; the tree takes many times the bytes of tiny elements, so these are bounded far lower.
constexpr std::uint64_t kMaxTreePartBytes = std::uint64_t{4} << 20;
// Parts from this size on are inflated ahead of their reading.
constexpr std::uint64_t kReadAheadAbove = std::uint64_t{1} << 20;
using xlsx::Fail;
using xlsx::IsTrue;
using xlsx::kMaxColumns;
using xlsx::kMaxRows;
using xlsx::ParseUnsigned;

// ---- ZIP package ---------------------------------------------------------------------------

class Package {
public:
    bool Open(const std::string& path, std::string& error) {
        Result<ZipArchive> zip = ZipArchive::Open(path);
        if (!zip) {
            error = zip.error().message;
            return false;
        }
        m_zip.emplace(std::move(*zip));
        return true;
    }

    // Whole part by its name inside the package ("xl/workbook.xml"); names compare without case
    // as the package format asks. False when missing, corrupt or larger than the bound.
    bool ReadPart(const std::string& name, std::string& out, std::string& error) const {
        const ZipEntry* entry = Entry(name, kMaxTreePartBytes, error);
        if (!entry) return false;
        Result<std::string> bytes = m_zip->Read(*entry);
        if (!bytes) {
            error = "corrupt part " + name;
            return false;
        }
        out = std::move(*bytes);
        return true;
    }

    // Streams a part through an XML handler without holding it whole.
    Status StreamPart(const std::string& name, XmlHandler& handler) const {
        std::string error;
        const ZipEntry* entry = Entry(name, kMaxPartBytes, error);
        if (!entry) return Fail(error);
        Result<ZipEntryStream> stream = m_zip->Stream(*entry);
        if (!stream) return Fail("corrupt part " + name);
        ZipEntryStream& bytes = *stream;
        const auto inflate = [&bytes](char* buffer, std::size_t size) -> long { return bytes.Read(buffer, size); };
        // A large part (the sheet) inflates on a second thread while its XML is read.
        std::optional<ReadAhead> ahead;
        if (entry->size >= kReadAheadAbove) ahead.emplace(inflate);
        const XmlSource source = [&](char* buffer, std::size_t size) -> long {
            return ahead ? ahead->Read(buffer, size) : inflate(buffer, size);
        };
        Status s = ReadXml(source, handler);
        if (!s) return Fail(s.error().message + " (" + name + ")");
        return Done{};
    }

    bool HasPart(const std::string& name) const { return m_zip->Find(name) != nullptr; }
    // Uncompressed size a part declares, 0 when there is none.
    std::uint64_t PartSize(const std::string& name) const {
        const ZipEntry* entry = m_zip->Find(name);
        return entry ? entry->size : 0;
    }

private:
    // The part's entry when it is there, no larger than maxBytes and packed in a way this reader
    // unpacks; else nullptr and the reason in error.
    const ZipEntry* Entry(const std::string& name, std::uint64_t maxBytes, std::string& error) const {
        const ZipEntry* entry = m_zip->Find(name);
        if (!entry) {
            error = "missing part " + name;
            return nullptr;
        }
        if (entry->size > maxBytes) {
            error = "part too large: " + name;
            return nullptr;
        }
        if (Status s = ZipArchive::Supported(*entry); !s) {
            error = s.error().message;
            return nullptr;
        }
        return entry;
    }

    std::optional<ZipArchive> m_zip;
};

// ---- XML helpers ---------------------------------------------------------------------------

// True when name, without any namespace prefix, is local. Tried first without looking for a
// prefix: that is how almost every writer names things, and the sheet has a name per cell.
bool IsNamed(const char* name, std::string_view local) {
    if (std::strncmp(name, local.data(), local.size()) == 0 && name[local.size()] == '\0') return true;
    const char* colon = std::strrchr(name, ':');
    return colon && std::string_view(colon + 1) == local;
}

bool IsElement(pugi::xml_node node, std::string_view local) {
    return node.type() == pugi::node_element && IsNamed(node.name(), local);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (IsElement(c, local)) return c;
    }
    return {};
}

const char* Attr(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (IsNamed(a.name(), local)) return a.value();
    }
    return nullptr;
}

bool ParseXml(std::string& bytes, pugi::xml_document& doc) {
    // Whitespace-only text such as <t> </t> is a real cell value and must survive parsing.
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single;
    return doc.load_buffer_inplace(bytes.data(), bytes.size(), options);
}

// ---- Relationships -------------------------------------------------------------------------

struct Relationship {
    std::string id;
    std::string type;    // last segment of the type URI: "worksheet", "sharedStrings", ...
    std::string target;  // part name from the package root
};

std::string FolderOf(const std::string& part) {
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string ResolveTarget(const std::string& sourcePart, const std::string& target) {
    const std::string joined = !target.empty() && target[0] == '/' ? target : FolderOf(sourcePart) + target;
    std::vector<std::string> segments;
    for (const std::string& segment : Split(joined, '/')) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else {
            segments.push_back(segment);
        }
    }
    std::string out;
    for (const std::string& segment : segments) out += (out.empty() ? "" : "/") + segment;
    return out;
}

// Relationships of sourcePart ("" for the package itself); empty when the part has none.
std::vector<Relationship> ReadRelationships(const Package& package, const std::string& sourcePart) {
    const auto slash = sourcePart.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string relsName = sourcePart.substr(0, nameStart) + "_rels/" + sourcePart.substr(nameStart) + ".rels";
    std::string bytes, error;
    pugi::xml_document doc;
    std::vector<Relationship> rels;
    if (!package.ReadPart(relsName, bytes, error) || !ParseXml(bytes, doc)) return rels;
    for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling()) {
        if (!IsElement(r, "Relationship")) continue;
        const char* mode = Attr(r, "TargetMode");
        if (mode && std::strcmp(mode, "External") == 0) continue;
        const char* id = Attr(r, "Id");
        const char* type = Attr(r, "Type");
        const char* target = Attr(r, "Target");
        if (!id || !type || !target) continue;
        const std::string_view typeUri(type);
        const auto lastSlash = typeUri.rfind('/');
        rels.push_back({id, std::string(lastSlash == std::string_view::npos ? typeUri : typeUri.substr(lastSlash + 1)),
                        ResolveTarget(sourcePart, target)});
    }
    return rels;
}

const Relationship* FindByType(const std::vector<Relationship>& rels, std::string_view type) {
    for (const Relationship& r : rels) {
        if (r.type == type) return &r;
    }
    return nullptr;
}

// ---- Workbook, shared strings, styles ------------------------------------------------------

struct WorkbookInfo {
    bool date1904 = false;
    std::string sheetName;  // the active sheet's tab name
    std::string sheetPart;
    std::string sharedStringsPart;  // empty when the workbook has none
    std::string stylesPart;
};

Result<WorkbookInfo> ReadWorkbookInfo(const Package& package) {
    const std::vector<Relationship> packageRels = ReadRelationships(package, "");
    const Relationship* office = FindByType(packageRels, "officeDocument");
    const std::string workbookPart = office ? office->target : "xl/workbook.xml";
    std::string bytes, error;
    pugi::xml_document doc;
    if (!package.ReadPart(workbookPart, bytes, error)) return Fail(error);
    if (!ParseXml(bytes, doc)) return Fail("malformed " + workbookPart);
    const pugi::xml_node root = doc.document_element();

    WorkbookInfo info;
    const char* date1904 = Attr(Child(root, "workbookPr"), "date1904");
    info.date1904 = date1904 && IsTrue(date1904);
    std::uint64_t activeTab = 0;
    if (const char* tab = Attr(Child(Child(root, "bookViews"), "workbookView"), "activeTab")) {
        if (!ParseUnsigned(tab, activeTab)) activeTab = 0;
    }
    std::vector<std::string> sheetIds;
    std::vector<std::string> sheetNames;
    for (pugi::xml_node s = Child(root, "sheets").first_child(); s; s = s.next_sibling()) {
        if (!IsElement(s, "sheet")) continue;
        const char* id = Attr(s, "id");
        const char* name = Attr(s, "name");
        sheetIds.emplace_back(id ? id : "");
        sheetNames.emplace_back(name ? name : "");
    }
    if (sheetIds.empty()) return Fail("workbook without sheets");
    if (activeTab >= sheetIds.size()) activeTab = 0;
    info.sheetName = sheetNames[activeTab];

    const std::vector<Relationship> rels = ReadRelationships(package, workbookPart);
    for (const Relationship& r : rels) {
        if (r.id == sheetIds[activeTab]) info.sheetPart = r.target;
    }
    if (info.sheetPart.empty()) return Fail("active sheet has no part");
    if (const Relationship* r = FindByType(rels, "sharedStrings")) info.sharedStringsPart = r->target;
    if (const Relationship* r = FindByType(rels, "styles")) info.stylesPart = r->target;
    return info;
}

Result<std::vector<std::string_view>> ReadSharedStrings(const Package& package, const std::string& part,
                                                        TextStore& texts) {
    if (part.empty()) return std::vector<std::string_view>{};
    return xlsx::ReadSharedStrings([&](XmlHandler& handler) { return package.StreamPart(part, handler); }, texts);
}

// Number format of each cell style, turned into indexes of SheetModel::formatCodes on first use.
class Styles {
public:
    explicit Styles(SheetModel& sheet) : m_sheet(sheet) {}

    Status Load(const Package& package, const std::string& part) {
        std::string bytes, error;
        pugi::xml_document doc;
        if (part.empty() || !package.HasPart(part)) return Done{};  // no styles: everything is General
        if (!package.ReadPart(part, bytes, error)) return Fail(error);
        if (!ParseXml(bytes, doc)) return Fail("malformed " + part);
        const pugi::xml_node root = doc.document_element();
        for (pugi::xml_node f = Child(root, "numFmts").first_child(); f; f = f.next_sibling()) {
            std::uint64_t id = 0;
            const char* idText = Attr(f, "numFmtId");
            const char* code = Attr(f, "formatCode");
            if (!idText || !code || !ParseUnsigned(idText, id)) continue;
            if (std::strlen(code) > kMaxFormatCodeBytes) return Fail("a number format code is too long");
            m_custom[id] = code;
            if (m_custom.size() > kMaxSheetFormats) return Fail("too many number formats");
        }
        for (pugi::xml_node xf = Child(root, "cellXfs").first_child(); xf; xf = xf.next_sibling()) {
            if (!IsElement(xf, "xf")) continue;
            std::uint64_t id = 0;
            const char* idText = Attr(xf, "numFmtId");
            m_xfNumFmt.push_back(idText && ParseUnsigned(idText, id) ? id : 0);
        }
        m_xfFormat.assign(m_xfNumFmt.size(), kUnresolved);
        return Done{};
    }

    // Index into formatCodes of cell style s; an unknown style is General.
    std::uint32_t FormatOf(std::uint64_t style) {
        if (style >= m_xfNumFmt.size()) return 0;
        std::uint32_t& slot = m_xfFormat[style];
        if (slot == kUnresolved) slot = m_sheet.AddFormat(CodeOf(m_xfNumFmt[style]));
        return slot;
    }

private:
    static constexpr std::uint32_t kUnresolved = 0xFFFFFFFFu;

    std::string CodeOf(std::uint64_t numFmtId) const {
        if (const auto it = m_custom.find(numFmtId); it != m_custom.end()) return it->second;
        const std::string_view builtin = numFmtId <= 0xFFFF ? BuiltinFormatCode(static_cast<int>(numFmtId)) : "";
        return builtin.empty() ? std::string("General") : std::string(builtin);
    }

    SheetModel& m_sheet;
    std::unordered_map<std::uint64_t, std::string> m_custom;
    std::vector<std::uint64_t> m_xfNumFmt;
    std::vector<std::uint32_t> m_xfFormat;
};

}  // namespace

Result<SheetModel> ReadXlsxWorkbook(const std::string& path) {
    Package package;
    std::string error;
    if (!package.Open(path, error)) return Fail("not a readable ZIP package: " + error);

    Result<WorkbookInfo> info = ReadWorkbookInfo(package);
    if (!info) return info.error();
    SheetModel sheet;
    sheet.maxRows = kMaxRows;
    sheet.maxColumns = kMaxColumns;
    sheet.date1904 = info->date1904;
    sheet.name = info->sheetName;

    Result<std::vector<std::string_view>> strings = ReadSharedStrings(package, info->sharedStringsPart, sheet.texts);
    if (!strings) return strings.error();
    Styles styles(sheet);
    if (Status s = styles.Load(package, info->stylesPart); !s) return s.error();

    // Room for the cells up front, from the sheet's size: a cell with its reference and value takes
    // some 30 to 40 bytes of XML. Room not filled is never touched; a sheet of more cells grows.
    const std::uint64_t sheetBytes = std::min<std::uint64_t>(package.PartSize(info->sheetPart), kMaxPartBytes);
    sheet.cells.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(kMaxSheetCells, sheetBytes / 32)));
    const auto stream = [&](XmlHandler& handler) { return package.StreamPart(info->sheetPart, handler); };
    if (Status s = xlsx::ReadSheetCells(stream, sheet, *strings, [&](std::uint64_t style) {
            return styles.FormatOf(style);
        });
        !s)
        return s.error();
    sheet.Finish();
    return sheet;
}

}  // namespace moxtel
