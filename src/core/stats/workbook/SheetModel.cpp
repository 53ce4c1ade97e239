#include "stats/workbook/SheetModel.h"

#include <algorithm>

namespace moxtel {

std::uint32_t SheetModel::AddFormat(const std::string& code) {
    const auto it = std::find(formatCodes.begin(), formatCodes.end(), code);
    if (it != formatCodes.end()) return static_cast<std::uint32_t>(it - formatCodes.begin());
    formatCodes.push_back(code);
    return static_cast<std::uint32_t>(formatCodes.size() - 1);
}

}  // namespace moxtel
