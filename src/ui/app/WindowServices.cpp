#include "ui/app/WindowServices.h"

#include "ui/app/FileDialogTexts.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace moxtel {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

int ShowBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon,
            QMessageBox::StandardButtons buttons, const QString& detail = {}) {
    // A box waits for the user, so it shows the arrow even when it comes up during a run under
    // the busy cursor (the busy cursor otherwise covers every window); the busy cursor returns after.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    QMessageBox box(ToQtIcon(icon), caption, text, buttons, owner);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    const int answer = box.exec();
    if (busy) QGuiApplication::restoreOverrideCursor();
    return answer;
}

std::optional<QStringList> ChooseExisting(QWidget* owner, const QString& filter, const QString& startFolder,
                                          QFileDialog::FileMode mode) {
    QFileDialog dialog(owner, QString::fromUtf8("打开"), startFolder, ToQtFileFilter(filter));
    SpeakChinese(dialog);
    dialog.setFileMode(mode);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles();
}

}  // namespace

QString ApplicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("moxtel") : name;
}

void QtWindowServices::ShowMessage(QWidget* owner, const QString& text) {
    ShowBox(owner, text, QString::fromUtf8(kMessageCaption), MessageIcon::Exclamation, QMessageBox::Ok);
}

void QtWindowServices::ShowMessageWithDetail(QWidget* owner, const QString& text, const QString& detail) {
    ShowBox(owner, text, QString::fromUtf8(kMessageCaption), MessageIcon::Exclamation, QMessageBox::Ok, detail);
}

void QtWindowServices::ShowAppMessage(QWidget* owner, const QString& text, MessageIcon icon) {
    ShowBox(owner, text, ApplicationTitle(), icon, QMessageBox::Ok);
}

bool QtWindowServices::Ask(QWidget* owner, const QString& text) { return AskWithDetail(owner, text, {}); }

bool QtWindowServices::AskWithDetail(QWidget* owner, const QString& text, const QString& detail) {
    return ShowBox(owner, text, QString::fromUtf8(kMessageCaption), MessageIcon::Question,
                   QMessageBox::Yes | QMessageBox::No, detail) == QMessageBox::Yes;
}

std::optional<QStringList> QtWindowServices::ChooseOpenFiles(QWidget* owner, const QString& filter,
                                                             const QString& startFolder) {
    return ChooseExisting(owner, filter, startFolder, QFileDialog::ExistingFiles);
}

std::optional<QString> QtWindowServices::ChooseOpenFile(QWidget* owner, const QString& filter,
                                                        const QString& startFolder) {
    std::optional<QStringList> paths = ChooseExisting(owner, filter, startFolder, QFileDialog::ExistingFile);
    if (!paths) return std::nullopt;
    return paths->constFirst();
}

// A name typed without a suffix gets the one of the chosen file type, before the dialog asks
// whether to replace an existing file of that name.
std::optional<QString> QtWindowServices::ChooseSaveFile(QWidget* owner, const QString& filter,
                                                        const QString& suggestedName) {
    QFileDialog dialog(owner, QString::fromUtf8("另存为"), suggestedName, ToQtFileFilter(filter));
    SpeakChinese(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FilterSuffix(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtWindowServices::OpenDocument(const QString& path) {
    // A missing document shows nothing: the desktop's opener would only complain on the terminal.
    if (!QFileInfo::exists(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

int QtWindowServices::RunChild(QDialog& child) { return child.exec(); }

QString FilterSuffix(const QString& qtFilter) {
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.(\\w+)"));
    return firstPattern.match(qtFilter).captured(1);
}

QString ToQtFileFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    while (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace moxtel
