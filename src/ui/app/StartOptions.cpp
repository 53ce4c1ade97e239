#include "app/StartOptions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace moxtel {

QString VersionText() { return QStringLiteral("moxtel " MOXTEL_VERSION); }

bool AsksForVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) return true;
    return false;
}

QString WorkbookArgument(const QStringList& args) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i].isEmpty() || args[i].startsWith(QLatin1Char('-'))) continue;
        return QFileInfo(args[i]).absoluteFilePath();
    }
    return {};
}

bool InstallChineseTranslations(QCoreApplication& application) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace moxtel
