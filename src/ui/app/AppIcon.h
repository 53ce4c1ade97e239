#pragma once

#include <QIcon>

namespace moxtel {

// The program icon: red and green flow bars on a dark tile, drawn at the usual sizes.
QIcon AppIcon();

}  // namespace moxtel
