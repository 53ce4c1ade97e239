#include "core/stats/TitleCell.h"

#include <algorithm>

#include "core/common/TextUtil.h"

namespace moxtel {

TitleParts ParseTitleCell(std::string_view a1) {
    TitleParts parts;
    parts.titleText = std::string(a1);
    std::string_view rest = TrimLeftView(a1);
    const std::size_t dateEnd = Utf8Offset(rest, 8);
    parts.tradeDate = std::string(rest.substr(0, dateEnd));
    rest = TrimLeftView(rest.substr(dateEnd));
    if (rest.empty()) return parts;
    std::size_t cut = rest.find(' ');
    if (cut == std::string_view::npos) cut = 0;
    const std::size_t len = static_cast<std::size_t>(Utf8CharLength(static_cast<unsigned char>(rest[cut])));
    parts.stockCode = std::string(rest.substr(0, cut)) + std::string(rest.substr(std::min(rest.size(), cut + len)));
    return parts;
}

}  // namespace moxtel
