#pragma once

#include <QString>

namespace moxtel {

// The program's own texts are UTF-8 literals.
inline QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace moxtel
