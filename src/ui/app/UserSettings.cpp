#include "ui/app/UserSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

#include "core/stats/OrderClasses.h"

namespace moxtel {

namespace {

QSettings Settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("moxtel"), QStringLiteral("moxtel"));
}

const QString kBrowseFolderKey = QStringLiteral("browse/lastFolder");
const QString kOrderClassesKey = QStringLiteral("statistics/orderClasses");

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

OrderClassConvention ChosenOrderConvention() {
    const std::string name = Settings().value(kOrderClassesKey).toString().toStdString();
    return ParseConvention(name).value_or(OrderClassConvention::SharesOrAmount);
}

void ChooseOrderConvention(OrderClassConvention convention) {
    const std::string_view name = ConventionName(convention);
    Settings().setValue(kOrderClassesKey, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace moxtel
