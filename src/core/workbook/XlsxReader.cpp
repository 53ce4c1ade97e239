// Reads the active sheet of an Office Open XML workbook: the ZIP container through libgsf, the
// parts through pugixml. Part names and XML element names are matched without their namespace
// prefix, so transitional and strict files and prefixed writers read alike.

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/TextUtil.h"
#include "workbook/NumberFormat.h"
#include "workbook/Utf8Check.h"
#include "workbook/XmlPull.h"
#include "workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

// Largest uncompressed part accepted; a header claiming more, or data inflating past it, is refused.
constexpr gsf_off_t kMaxPartBytes = gsf_off_t{256} << 20;
// Parts read whole into a document tree (workbook, relationships, styles) are small in any real
// workbook; the tree takes many times the bytes of tiny elements, so these are bounded far lower.
constexpr gsf_off_t kMaxTreePartBytes = gsf_off_t{4} << 20;
constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

Error Fail(const std::string& what) { return Error{"xlsx: " + what}; }

// ---- ZIP package ---------------------------------------------------------------------------

// libgsf reports damaged ZIP headers on stderr (g_warning, g_printerr) besides returning failure.
// The core prints nothing, so those reports are swallowed while the package is read; the failure
// itself reaches the caller as an Error. The reader runs on one thread, as the whole program does.
class QuietGlib {
public:
    QuietGlib()
        : m_log(g_log_set_default_handler(&Drop, nullptr)),
          m_printerr(g_set_printerr_handler(&DropText)),
          m_print(g_set_print_handler(&DropText)) {}
    ~QuietGlib() {
        g_log_set_default_handler(m_log, nullptr);
        g_set_printerr_handler(m_printerr);
        g_set_print_handler(m_print);
    }
    QuietGlib(const QuietGlib&) = delete;
    QuietGlib& operator=(const QuietGlib&) = delete;

private:
    static void Drop(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
    static void DropText(const gchar*) {}
    GLogFunc m_log;
    GPrintFunc m_printerr;
    GPrintFunc m_print;
};

template <typename T>
struct GObjectRef {
    T* p = nullptr;
    GObjectRef() = default;
    explicit GObjectRef(T* object) : p(object) {}
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef() {
        if (p) g_object_unref(p);
    }
};

class Package {
public:
    bool Open(const std::string& path, std::string& error) {
        GError* gerr = nullptr;
        m_source.p = gsf_input_stdio_new(path.c_str(), &gerr);
        if (m_source.p) m_zip.p = gsf_infile_zip_new(m_source.p, &gerr);
        if (gerr) {
            error = gerr->message ? gerr->message : "unreadable";
            g_error_free(gerr);
        }
        return m_zip.p != nullptr;
    }

    // Whole part by its name inside the package ("xl/workbook.xml"); names compare without case
    // as the package format asks. False when missing, corrupt or larger than the bound.
    bool ReadPart(const std::string& name, std::string& out, std::string& error) const {
        GObjectRef<GsfInput> part(OpenPart(name));
        if (!part.p) {
            error = "missing part " + name;
            return false;
        }
        const gsf_off_t size = gsf_input_size(part.p);
        if (size < 0 || size > kMaxTreePartBytes) {
            error = "part too large: " + name;
            return false;
        }
        out.clear();
        out.reserve(static_cast<std::size_t>(std::min<gsf_off_t>(size, gsf_off_t{16} << 20)));
        constexpr gsf_off_t kChunk = 1 << 16;
        guint8 buffer[kChunk];
        for (gsf_off_t left = size; left > 0;) {
            const gsf_off_t n = std::min(left, kChunk);
            if (!gsf_input_read(part.p, static_cast<size_t>(n), buffer)) {
                error = "corrupt part " + name;
                return false;
            }
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
            left -= n;
        }
        return true;
    }

    // Streams a part through an XML handler without holding it whole.
    Status StreamPart(const std::string& name, XmlHandler& handler) const {
        GObjectRef<GsfInput> part(OpenPart(name));
        if (!part.p) return Fail("missing part " + name);
        gsf_off_t left = gsf_input_size(part.p);
        if (left < 0 || left > kMaxPartBytes) return Fail("part too large: " + name);
        const XmlSource source = [&](char* buffer, std::size_t size) -> long {
            const gsf_off_t n = std::min<gsf_off_t>(left, static_cast<gsf_off_t>(size));
            if (n == 0) return 0;
            if (!gsf_input_read(part.p, static_cast<size_t>(n), reinterpret_cast<guint8*>(buffer))) return -1;
            left -= n;
            return static_cast<long>(n);
        };
        Status s = ReadXml(source, handler);
        if (!s) return Fail(s.error().message + " (" + name + ")");
        return Done{};
    }

    bool HasPart(const std::string& name) const {
        GObjectRef<GsfInput> part(OpenPart(name));
        return part.p != nullptr;
    }

private:
    // Walks the folders of the name; the caller owns the returned reference.
    GsfInput* OpenPart(const std::string& name) const {
        GsfInfile* dir = m_zip.p;
        GsfInput* current = nullptr;
        for (const std::string& segment : Split(name, '/')) {
            if (segment.empty()) continue;
            if (current) {
                dir = GSF_IS_INFILE(current) && gsf_infile_num_children(GSF_INFILE(current)) >= 0
                          ? GSF_INFILE(current)
                          : nullptr;
            }
            GsfInput* next = dir ? ChildNoCase(dir, segment) : nullptr;
            if (current) g_object_unref(current);
            current = next;
            if (!current) return nullptr;
        }
        if (current && GSF_IS_INFILE(current) && gsf_infile_num_children(GSF_INFILE(current)) >= 0) {
            g_object_unref(current);  // a folder, not a part
            return nullptr;
        }
        return current;
    }

    static GsfInput* ChildNoCase(GsfInfile* dir, const std::string& segment) {
        if (GsfInput* exact = gsf_infile_child_by_name(dir, segment.c_str())) return exact;
        const int count = gsf_infile_num_children(dir);
        for (int i = 0; i < count; ++i) {
            const char* childName = gsf_infile_name_by_index(dir, i);
            if (childName && strcasecmp(childName, segment.c_str()) == 0) return gsf_infile_child_by_index(dir, i);
        }
        return nullptr;
    }

    GObjectRef<GsfInput> m_source;
    GObjectRef<GsfInfile> m_zip;
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

bool ParseUnsigned(std::string_view text, std::uint64_t& value) {
    text = TrimView(text);
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Spreadsheet text escapes characters XML cannot hold as _xHHHH_ (_x000D_ is a carriage return,
// _x005F_ a literal underscore).
std::string DecodeEscapes(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' && text[i + 6] == '_' &&
            std::all_of(text.begin() + i + 2, text.begin() + i + 6, IsHex)) {
            std::uint32_t cp = 0;
            std::from_chars(text.data() + i + 2, text.data() + i + 6, cp, 16);
            AppendUtf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);  // a lone half of a pair
            i += 7;
        } else {
            out += text[i++];
        }
    }
    return out;
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
    std::string sheetPart;
    std::string sharedStringsPart;  // empty when the workbook has none
    std::string stylesPart;
};

bool IsTrue(const char* value) {
    return value && (std::strcmp(value, "1") == 0 || std::strcmp(value, "true") == 0);
}

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
    info.date1904 = IsTrue(Attr(Child(root, "workbookPr"), "date1904"));
    std::uint64_t activeTab = 0;
    if (const char* tab = Attr(Child(Child(root, "bookViews"), "workbookView"), "activeTab")) {
        if (!ParseUnsigned(tab, activeTab)) activeTab = 0;
    }
    std::vector<std::string> sheetIds;
    for (pugi::xml_node s = Child(root, "sheets").first_child(); s; s = s.next_sibling()) {
        if (!IsElement(s, "sheet")) continue;
        const char* id = Attr(s, "id");
        sheetIds.emplace_back(id ? id : "");
    }
    if (sheetIds.empty()) return Fail("workbook without sheets");
    if (activeTab >= sheetIds.size()) activeTab = 0;

    const std::vector<Relationship> rels = ReadRelationships(package, workbookPart);
    for (const Relationship& r : rels) {
        if (r.id == sheetIds[activeTab]) info.sheetPart = r.target;
    }
    if (info.sheetPart.empty()) return Fail("active sheet has no part");
    if (const Relationship* r = FindByType(rels, "sharedStrings")) info.sharedStringsPart = r->target;
    if (const Relationship* r = FindByType(rels, "styles")) info.stylesPart = r->target;
    return info;
}

// The shared strings, streamed: each stored once in the sheet's texts (bytes that are not UTF-8
// replaced). An item's text is its own <t>, or the <t> of every rich-text run; phonetic runs are skipped.
class SharedStringsHandler : public XmlHandler {
public:
    SharedStringsHandler(TextStore& texts, std::vector<std::string_view>& strings) : m_texts(texts), m_strings(strings) {}
    bool Ok() const override { return m_texts.Bytes() <= kMaxSheetTextBytes; }

    void Start(std::string_view name, const std::vector<Attribute>&) override {
        ++m_depth;
        if (m_depth == 2 && name == "si") {
            m_inItem = true;
            m_text.clear();
        } else if (m_inItem && name == "t" && (m_depth == 3 || (m_depth == 4 && m_inRun))) {
            m_capture = true;
        } else if (m_inItem && m_depth == 3 && name == "r") {
            m_inRun = true;
        }
    }
    void End(std::string_view name) override {
        if (m_depth == 2 && name == "si" && m_inItem) {
            std::string scratch;
            m_strings.push_back(m_texts.Add(RepairUtf8(DecodeEscapes(m_text), scratch)));
            m_inItem = false;
        }
        if (name == "t") m_capture = false;
        if (m_depth == 3 && name == "r") m_inRun = false;
        --m_depth;
    }
    void Text(std::string_view text) override {
        if (m_capture) m_text += text;
    }

private:
    TextStore& m_texts;
    std::vector<std::string_view>& m_strings;
    int m_depth = 0;
    bool m_inItem = false, m_inRun = false, m_capture = false;
    std::string m_text;
};

Result<std::vector<std::string_view>> ReadSharedStrings(const Package& package, const std::string& part,
                                                        TextStore& texts) {
    std::vector<std::string_view> strings;
    if (part.empty()) return strings;
    SharedStringsHandler handler(texts, strings);
    if (Status s = package.StreamPart(part, handler); !s) return s.error();
    if (!handler.Ok()) return SheetModel::TooLarge();
    return strings;
}

// Number format of each cell style, turned into indexes of SheetModel::formatCodes on first use.
class Styles {
public:
    explicit Styles(SheetModel& sheet) : m_sheet(sheet) {
        for (std::size_t i = 0; i < sheet.formatCodes.size(); ++i) {
            m_index.emplace(sheet.formatCodes[i], static_cast<std::uint32_t>(i));
        }
    }

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
        if (slot == kUnresolved) slot = Intern(CodeOf(m_xfNumFmt[style]));
        return slot;
    }

private:
    static constexpr std::uint32_t kUnresolved = 0xFFFFFFFFu;

    std::string CodeOf(std::uint64_t numFmtId) const {
        if (const auto it = m_custom.find(numFmtId); it != m_custom.end()) return it->second;
        const std::string_view builtin = numFmtId <= 0xFFFF ? BuiltinFormatCode(static_cast<int>(numFmtId)) : "";
        return builtin.empty() ? std::string("General") : std::string(builtin);
    }

    std::uint32_t Intern(const std::string& code) {
        const auto [it, added] = m_index.emplace(code, static_cast<std::uint32_t>(m_sheet.formatCodes.size()));
        if (added) m_sheet.formatCodes.push_back(code);
        return it->second;
    }

    SheetModel& m_sheet;
    std::unordered_map<std::uint64_t, std::string> m_custom;
    std::vector<std::uint64_t> m_xfNumFmt;
    std::vector<std::uint32_t> m_xfFormat;
    std::unordered_map<std::string, std::uint32_t> m_index;
};

// ---- Worksheet -----------------------------------------------------------------------------

// "B12" -> column 2, row 12; false when the text is not a reference inside the grid.
bool ParseCellRef(std::string_view ref, std::uint32_t& row, std::uint32_t& column) {
    std::size_t i = 0;
    std::uint64_t col = 0, r = 0;
    while (i < ref.size() && i < 3 && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        col = col * 26 + static_cast<std::uint64_t>((ref[i] | 0x20) - 'a' + 1);
        ++i;
    }
    if (i == 0 || !ParseUnsigned(ref.substr(i), r)) return false;
    if (col > kMaxColumns || r == 0 || r > kMaxRows) return false;
    row = static_cast<std::uint32_t>(r);
    column = static_cast<std::uint32_t>(col);
    return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// An ISO 8601 value of a t="d" cell ("2000-01-01T09:30:01") as a serial date of the workbook.
bool ParseIsoDate(std::string_view text, bool date1904, double& serial) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0;
    char rest[2] = {};
    const std::string copy(TrimView(text));
    const int n = std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%1s", &y, &mo, &d, &h, &mi, &s, rest);
    const bool utc = n == 7 && rest[0] == 'Z';
    if ((n != 3 && n != 6 && !utc) || mo < 1 || mo > 12 || d < 1 || d > 31 || !std::isfinite(s)) return false;
    const std::int64_t epoch = date1904 ? DaysFromCivil(1904, 1, 1) : DaysFromCivil(1899, 12, 30);
    serial = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - epoch) +
             (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return true;
}

// Cells of <sheetData>, taken as the sheet part streams by: only the cell being read is kept.
class SheetHandler : public XmlHandler {
public:
    SheetHandler(SheetModel& sheet, const std::vector<std::string_view>& strings, Styles& styles)
        : m_sheet(sheet), m_strings(strings), m_styles(styles) {}

    const Status& Outcome() const { return m_status; }
    bool Ok() const override { return m_status.ok(); }

    void Start(std::string_view name, const std::vector<Attribute>& attributes) override {
        ++m_depth;
        if (m_depth == 1) {
            if (name != "worksheet") m_status = Fail("the active sheet is not a worksheet");
        } else if (m_depth == 2 && name == "sheetData") {
            m_inData = true;
        } else if (m_inData && m_depth == 3 && name == "row") {
            StartRow(attributes);
        } else if (m_inData && m_depth == 4 && name == "c") {
            StartCell(attributes);
        } else if (m_inCell) {
            StartInCell(name);
        }
    }

    void End(std::string_view name) override {
        if (m_inCell && m_depth == 4 && name == "c") EndCell();
        if (m_depth == 2 && name == "sheetData") m_inData = false;
        if (m_capture == m_depth) m_capture = 0;
        if (m_skipTo == m_depth) m_skipTo = 0;
        --m_depth;
    }

    void Text(std::string_view text) override {
        if (m_capture && !m_skipTo) m_value += text;
    }

private:
    static const Attribute* Find(const std::vector<Attribute>& attributes, std::string_view name) {
        for (const Attribute& a : attributes) {
            if (a.name == name) return &a;
        }
        return nullptr;
    }

    void StartRow(const std::vector<Attribute>& attributes) {
        std::uint64_t r = 0;
        const Attribute* rText = Find(attributes, "r");
        m_row = rText && ParseUnsigned(rText->value, r) && r >= 1 && r <= kMaxRows ? static_cast<std::uint32_t>(r) : m_row + 1;
        m_column = 0;
    }

    void StartCell(const std::vector<Attribute>& attributes) {
        m_inCell = true;
        m_hasValue = false;
        m_value.clear();
        m_cell = CellValue{};
        m_cell.row = m_row;
        m_cell.column = m_column + 1;
        if (const Attribute* ref = Find(attributes, "r")) ParseCellRef(ref->value, m_cell.row, m_cell.column);
        m_column = m_cell.column;
        std::uint64_t style = 0;
        if (const Attribute* st = Find(attributes, "s"); st && ParseUnsigned(st->value, style))
            m_cell.formatId = m_styles.FormatOf(style);
        const Attribute* type = Find(attributes, "t");
        m_type = type ? type->value : std::string_view("n");
    }

    // <v> holds the value; <is> an inline string whose <t> and rich-text <r><t> count, phonetic runs not.
    void StartInCell(std::string_view name) {
        if (m_depth == 5 && name == "v" && m_type != "inlineStr") {
            m_capture = m_depth;
            m_hasValue = true;
        } else if (m_depth == 5 && name == "is" && m_type == "inlineStr") {
            m_hasValue = true;
        } else if (m_type == "inlineStr" && name == "t" && (m_depth == 6 || m_depth == 7) && !m_capture) {
            m_capture = m_depth;
        } else if (m_depth == 6 && name == "rPh") {
            m_skipTo = m_depth;
        }
    }

    void EndCell() {
        m_inCell = false;
        if (m_cell.row > kMaxRows || m_cell.column > kMaxColumns || !m_hasValue) return;
        if (Status s = ReadValue(); !s) {
            m_status = s;
            return;
        }
        if (m_cell.kind != CellValue::Kind::Empty && !m_sheet.Add(m_cell)) m_status = SheetModel::TooLarge();
    }

    Status ReadValue() {
        const std::string_view t = m_type;
        const std::string& text = m_value;
        if (t == "inlineStr") {
            m_cell.kind = CellValue::Kind::Text;
            m_cell.text = Keep(DecodeEscapes(text));
        } else if (t == "s") {
            std::uint64_t index = 0;
            if (!ParseUnsigned(text, index) || index >= m_strings.size()) return Fail("bad shared string index");
            m_cell.kind = CellValue::Kind::Text;
            m_cell.text = m_strings[index];
        } else if (t == "str") {
            m_cell.kind = CellValue::Kind::Text;
            m_cell.text = Keep(DecodeEscapes(text));
        } else if (t == "b") {
            m_cell.kind = CellValue::Kind::Boolean;
            m_cell.number = IsTrue(text.c_str()) ? 1.0 : 0.0;
        } else if (t == "e") {
            m_cell.kind = CellValue::Kind::Error;
            m_cell.text = Keep(text);
        } else if (t == "d") {
            if (!ParseIsoDate(text, m_sheet.date1904, m_cell.number)) return Fail("bad date value");
            m_cell.kind = CellValue::Kind::Number;
        } else {
            const std::string_view number = TrimView(text);
            if (number.empty()) return Done{};
            const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), m_cell.number);
            if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(m_cell.number)) {
                return Fail("bad number value");  // also "inf" and "nan", which no spreadsheet stores
            }
            m_cell.kind = CellValue::Kind::Number;
        }
        return Done{};
    }

    std::string_view Keep(std::string_view text) {
        std::string scratch;
        return m_sheet.texts.Add(RepairUtf8(text, scratch));
    }

    SheetModel& m_sheet;
    const std::vector<std::string_view>& m_strings;
    Styles& m_styles;
    Status m_status = Done{};
    int m_depth = 0;
    int m_capture = 0;  // depth of the element whose text is being collected, 0 for none
    int m_skipTo = 0;   // depth of a phonetic run being skipped, 0 for none
    bool m_inData = false;
    bool m_inCell = false;
    bool m_hasValue = false;
    std::uint32_t m_row = 0;
    std::uint32_t m_column = 0;
    CellValue m_cell;
    std::string m_type;
    std::string m_value;
};

}  // namespace

Result<SheetModel> ReadXlsxWorkbook(const std::string& path) {
    const QuietGlib quiet;
    Package package;
    std::string error;
    if (!package.Open(path, error)) return Fail("not a readable ZIP package: " + error);

    Result<WorkbookInfo> info = ReadWorkbookInfo(package);
    if (!info) return info.error();
    SheetModel sheet;
    sheet.maxRows = kMaxRows;
    sheet.maxColumns = kMaxColumns;
    sheet.date1904 = info->date1904;

    Result<std::vector<std::string_view>> strings = ReadSharedStrings(package, info->sharedStringsPart, sheet.texts);
    if (!strings) return strings.error();
    Styles styles(sheet);
    if (Status s = styles.Load(package, info->stylesPart); !s) return s.error();

    SheetHandler handler(sheet, *strings, styles);
    if (Status s = package.StreamPart(info->sheetPart, handler); !s) return s.error();
    if (!handler.Outcome()) return handler.Outcome().error();
    sheet.Finish();
    return sheet;
}

}  // namespace moxtel
