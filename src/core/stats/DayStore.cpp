#include "core/stats/DayStore.h"

namespace moxtel {

DayHeaderInfo HeaderWithoutStore(const std::string& previousCloseText, const std::string& turnoverText) {
    return {"0", previousCloseText.empty() ? "0" : previousCloseText, turnoverText.empty() ? " " : turnoverText};
}

}  // namespace moxtel
