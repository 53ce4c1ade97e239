#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"

namespace moxtel {

// A streaming reader of the XML parts of an .xlsx package: the part is read in pieces, nothing of
// it is kept beyond the item being read, so memory does not grow with the part's size. Element and
// attribute names are given without their namespace prefix. Entities are resolved and line breaks
// normalised as an XML parser does; DTDs, comments and processing instructions are skipped.
class XmlHandler {
  public:
    struct Attribute {
        std::string_view name;   // local name
        std::string_view value;  // resolved
    };
    virtual ~XmlHandler() = default;
    virtual void Start(std::string_view name, const std::vector<Attribute>& attributes) = 0;
    virtual void End(std::string_view name) = 0;
    // Character data (CDATA included), possibly in several pieces.
    virtual void Text(std::string_view text) = 0;
    // False stops the reading with the handler's own error.
    virtual bool Ok() const { return true; }

    // A handler may read a stretch of the part itself, quicker than event by event. While Scanning
    // is true between two items, Scan is offered the bytes not yet read and returns how many it took
    // (whole items only, which the reader then skips). Returning with Scanning still true asks for
    // the same bytes again with more after them; the reader takes the rest itself once the part
    // ends, so a handler that needs more bytes than it may hold turns Scanning off instead.
    virtual bool Scanning() const { return false; }
    virtual std::size_t Scan(std::string_view /*bytes*/) { return 0; }
};

// Reads up to `size` bytes into `buffer`; 0 at the end, -1 when the part cannot be read.
using XmlSource = std::function<long(char* buffer, std::size_t size)>;

// Fails on markup that is not well formed (unclosed elements, mismatched end tags, a part cut off).
Status ReadXml(const XmlSource& source, XmlHandler& handler);

// Resolves the five named entities and numeric character references; unknown ones stay as written.
void AppendResolved(std::string_view text, std::string& out);
// Line breaks as an XML parser hands them on: CR LF and a lone CR become LF.
void AppendNormalised(std::string_view text, std::string& out);

}  // namespace moxtel
