#include <QApplication>
#include <cstdio>

#include "app/CFlowApp.h"
#include "app/StartOptions.h"

int main(int argc, char* argv[]) {
    if (moxtel::AsksForVersion(argc, argv)) {
        std::printf("%s\n", moxtel::VersionText().toUtf8().constData());
        return 0;
    }
    if (moxtel::AsksForHelp(argc, argv)) {
        std::printf("%s", moxtel::UsageText().toUtf8().constData());
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moxtel"));
    QApplication::setOrganizationName(QStringLiteral("moxtel"));
    moxtel::InstallChineseTranslations(application);
    moxtel::CFlowApp flowApp;
    flowApp.SetStartWorkbook(moxtel::WorkbookArgument(QApplication::arguments()));
    flowApp.InitInstance();
    return 0;
}
