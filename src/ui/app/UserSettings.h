#pragma once

#include <QString>

#include "core/stats/FlowBuckets.h"

class QWidget;

namespace moxtel {

// What the desktop program remembers between runs, in $XDG_CONFIG_HOME/moxtel/moxtel.ini
// (~/.config/moxtel/moxtel.ini): the folder of the last workbook chosen, the folders exports were
// saved in and window geometries.

// The folder of the workbook chosen last; "" when none was chosen or the folder is gone.
QString LastBrowseFolder();
void RememberBrowseFolder(const QString& chosenFile);

// The folder a file of this kind ("csv", "image") was saved in last; "" when none was or the
// folder is gone. Each kind keeps its own, so charts and tables can go to different places.
QString LastSaveFolder(const QString& kind);
void RememberSaveFolder(const QString& kind, const QString& savedFile);

// Puts the window where it was when it closed last; false when nothing is stored for key.
bool RestoreWindowGeometry(QWidget& window, const QString& key);
void SaveWindowGeometry(const QWidget& window, const QString& key);

// How runs and imports sort trades into 小单 .. 超大单 (chosen under 设置); the default until chosen.
OrderClassConvention ChosenOrderConvention();
void ChooseOrderConvention(OrderClassConvention convention);

}  // namespace moxtel
