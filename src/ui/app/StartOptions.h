#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace moxtel {

// "moxtel <version>", the version being the project's.
QString VersionText();

// Whether the command line asks for the version. Looked at before the application object exists,
// so that `moxtel --version` needs no display.
bool AsksForVersion(int argc, const char* const* argv);

// Whether the command line asks for the usage (--help or -h), looked at in the same way; the
// usage names the arguments the program takes.
bool AsksForHelp(int argc, const char* const* argv);
QString UsageText();

// The workbook named on the command line (the desktop entry's %f) as an absolute path: the first
// argument after the program that is not an option; "" when there is none. args are
// QCoreApplication::arguments(), from which Qt has already taken its own options.
QString WorkbookArgument(const QStringList& args);

// Loads Qt's own Chinese texts, so that message-box buttons, context menus and the file dialog
// speak Chinese like the rest of the program whatever the system's locale. False when Qt's
// translation files are not installed (the program then runs with Qt's English texts).
bool InstallChineseTranslations(QCoreApplication& application);

}  // namespace moxtel
