#include <QApplication>

#include "app/CFlowApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moxtel"));
    moxtel::CFlowApp flowApp;
    flowApp.InitInstance();
    return 0;
}
