#pragma once

#include <QByteArray>
#include <QString>
#include <string>

class QWidget;

namespace moxtel {

class IWindowServices;

// Writes bytes to path, replacing the file. When it cannot, the window message names the file
// and the reason, and the result is false.
bool SaveExportFile(IWindowServices& services, QWidget* owner, const QString& path, const QByteArray& bytes);

// A file name for a suggestion in a save dialog: title with the characters that file systems or
// shells stumble over replaced by "_", fallback when nothing is left, then the extension.
QString ExportFileName(const QString& title, const QString& fallback, const QString& extension);

// The name (without extension) of an export of a stock's days: "<stock>_<from>-<to>_<what>", one
// date when from and to are the same day, e.g. 岚谷示例(600999)_20261201-20261231_柱状图对比.
QString RangeExportName(const std::string& stock, const std::string& from, const std::string& to, const QString& what);

}  // namespace moxtel
