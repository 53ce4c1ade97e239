#include "app/UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

namespace moxtel {

namespace {

QSettings Settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("moxtel"), QStringLiteral("moxtel"));
}

const QString kBrowseFolderKey = QStringLiteral("browse/lastFolder");

QString GeometryKey(const QString& key) { return QStringLiteral("windows/") + key + QStringLiteral("/geometry"); }

}  // namespace

QString LastBrowseFolder() {
    const QString folder = Settings().value(kBrowseFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberBrowseFolder(const QString& chosenFile) {
    Settings().setValue(kBrowseFolderKey, QFileInfo(chosenFile).absolutePath());
}

bool RestoreWindowGeometry(QWidget& window, const QString& key) {
    const QByteArray geometry = Settings().value(GeometryKey(key)).toByteArray();
    return !geometry.isEmpty() && window.restoreGeometry(geometry);
}

void SaveWindowGeometry(const QWidget& window, const QString& key) {
    Settings().setValue(GeometryKey(key), window.saveGeometry());
}

}  // namespace moxtel
