#pragma once

#include <QString>
#include <map>
#include <string>

#include "ui/app/DataExchange.h"

namespace moxtel {

// Members of a window whose edits the core computes as texts keyed by control id: one text per
// edit, exchanged with the controls of the same ids.
using ControlTexts = std::map<int, QString>;

inline void ExchangeTexts(const DataExchange& dx, ControlTexts& texts) {
    for (auto& [id, text] : texts) dx.Text(id, text);
}

// Copies computed texts into the members; ids not in computed keep their texts.
inline void PutTexts(ControlTexts& texts, const std::map<int, std::string>& computed) {
    for (const auto& [id, text] : computed) texts[id] = QString::fromStdString(text);
}

}  // namespace moxtel
