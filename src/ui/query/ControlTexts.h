#pragma once

#include <QString>
#include <map>

#include "ui/app/DataExchange.h"

namespace moxtel {

// Members of a window that keeps one text per edit keyed by control id, exchanged with the
// controls of the same ids.
using ControlTexts = std::map<int, QString>;

inline void ExchangeTexts(const DataExchange& dx, ControlTexts& texts) {
    for (auto& [id, text] : texts) dx.Text(id, text);
}

}  // namespace moxtel
