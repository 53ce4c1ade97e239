#include <QApplication>
#include <clocale>
#include <cstdio>

#include "ui/app/CFlowApp.h"
#include "ui/app/StartOptions.h"

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
    // Qt takes the C library's locale from the environment; numbers read and written through the C
    // library keep the '.' the database and the workbooks use.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("moxtel"));
    QApplication::setOrganizationName(QStringLiteral("moxtel"));
    // Ties the window to its menu entry and icon (the Wayland app id; X11 uses StartupWMClass).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.moxtel.Moxtel"));
    moxtel::InstallChineseTranslations(application);
    moxtel::CFlowApp flowApp;
    flowApp.SetStartWorkbook(moxtel::WorkbookArgument(QApplication::arguments()));
    flowApp.InitInstance();
    return 0;
}
