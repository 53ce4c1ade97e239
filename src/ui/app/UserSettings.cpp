#include "app/UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

namespace moxtel {

namespace {

QSettings Settings() { return QSettings(QSettings::IniFormat, QSettings::UserScope, "moxtel", "moxtel"); }

const QString kBrowseFolderKey = QStringLiteral("browse/lastFolder");

QString SaveFolderKey(const QString& kind) { return QStringLiteral("save/") + kind + QStringLiteral("Folder"); }

QString ExistingFolder(const QString& key) {
    const QString folder = Settings().value(key).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString GeometryKey(const QString& key) { return QStringLiteral("windows/") + key + QStringLiteral("/geometry"); }

}  // namespace

QString LastBrowseFolder() { return ExistingFolder(kBrowseFolderKey); }

void RememberBrowseFolder(const QString& chosenFile) {
    Settings().setValue(kBrowseFolderKey, QFileInfo(chosenFile).absolutePath());
}

QString LastSaveFolder(const QString& kind) { return ExistingFolder(SaveFolderKey(kind)); }

void RememberSaveFolder(const QString& kind, const QString& savedFile) {
    Settings().setValue(SaveFolderKey(kind), QFileInfo(savedFile).absolutePath());
}

bool RestoreWindowGeometry(QWidget& window, const QString& key) {
    const QByteArray geometry = Settings().value(GeometryKey(key)).toByteArray();
    return !geometry.isEmpty() && window.restoreGeometry(geometry);
}

void SaveWindowGeometry(const QWidget& window, const QString& key) {
    Settings().setValue(GeometryKey(key), window.saveGeometry());
}

}  // namespace moxtel
