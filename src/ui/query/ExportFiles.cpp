#include "ui/query/ExportFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>

#include "ui/app/UserSettings.h"
#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"

namespace moxtel {

bool SaveExportFile(IWindowServices& services, QWidget* owner, const QString& path, const QByteArray& bytes) {
    // QSaveFile writes beside the target and renames at the end: a failed write keeps the old file.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    services.ShowMessage(owner, Utf8("无法保存文件 %1：%2").arg(path, file.errorString()));
    return false;
}

QString ExportFileName(const QString& title, const QString& fallback, const QString& extension) {
    QString name = title.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\s]+")), QStringLiteral("_"));
    if (name.isEmpty()) name = fallback;
    return name + QLatin1Char('.') + extension;
}

std::optional<QString> ChooseExportPath(IWindowServices& services, QWidget* owner, const QString& kind,
                                        const QString& filter, const QString& name) {
    const QString folder = LastSaveFolder(kind);
    std::optional<QString> path =
        services.ChooseSaveFile(owner, filter, folder.isEmpty() ? name : QDir(folder).filePath(name));
    if (path) RememberSaveFolder(kind, *path);
    return path;
}

QString RangeExportName(const std::string& stock, const std::string& from, const std::string& to, const QString& what) {
    const std::string dates = from == to || to.empty() ? from : from + "-" + to;
    return QString::fromStdString(stock + "_" + dates + "_") + what;
}

}  // namespace moxtel
