#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace moxtel {

class IWindowServices;

// Writes bytes to path, replacing the file. When it cannot, the window message names the file
// and the reason, and the result is false.
bool SaveExportFile(IWindowServices& services, QWidget* owner, const QString& path, const QByteArray& bytes);

// A file name for a suggestion in a save dialog: title with the characters that file systems or
// shells stumble over replaced by "_", fallback when nothing is left, then the extension.
QString ExportFileName(const QString& title, const QString& fallback, const QString& extension);

}  // namespace moxtel
