#include "ui/app/StartOptions.h"

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

bool AsksForHelp(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
    return false;
}

QString UsageText() {
    return QStringLiteral(
        "usage: moxtel [WORKBOOK]\n"
        "\n"
        "The desktop program of moxtel: stock money-flow statistics (岚谷股票资金流向分析).\n"
        "  WORKBOOK    a workbook to fill in as the data file (.xls, .xlsx or text)\n"
        "  --help, -h  print this text\n"
        "  --version   print the version\n"
        "moxtel-flow does the same work without a window; see 'moxtel-flow --help'.\n");
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
