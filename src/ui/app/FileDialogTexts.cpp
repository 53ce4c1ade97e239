#include "ui/app/FileDialogTexts.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>

namespace moxtel {

namespace {

// The columns of QFileSystemModel.
enum FileColumn { kNameColumn = 0, kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };

}  // namespace

QVariant ChineseFileListModel::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || !index.isValid()) return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
        case kSizeColumn:
            if (files->isDir(source)) return QString();
            return QLocale().formattedDataSize(files->size(source));
        case kTypeColumn:
            if (files->isDir(source)) return QString::fromUtf8("文件夹");
            break;
        case kDateColumn:
            return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        default:
            break;
    }
    return QIdentityProxyModel::data(index, role);
}

void SpeakChinese(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new ChineseFileListModel(&dialog));
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list) return;
    // Qt sizes the columns for English texts: the size, the kind of a workbook and the date would be cut.
    const auto widenFor = [list](int column, const QString& widest) {
        const int needed = list->fontMetrics().horizontalAdvance(widest) + 16;
        if (list->header()->sectionSize(column) < needed) list->header()->resizeSection(column, needed);
    };
    widenFor(kSizeColumn, QStringLiteral("9999.99 KiB"));
    widenFor(kTypeColumn, QString::fromUtf8("Excel 2007 电子表格"));
    widenFor(kDateColumn, QLocale().toString(QDateTime(QDate(2088, 12, 28), QTime(23, 58)), QLocale::ShortFormat));
    // Qt's dialog opens too narrow for its own columns: wide enough to show all four without
    // scrolling sideways, as far as the screen allows.
    int wanted = list->header()->length() + list->verticalScrollBar()->sizeHint().width() + 60;
    if (const auto* places = dialog.findChild<QWidget*>(QStringLiteral("sidebar"))) wanted += places->width();
    QSize size = dialog.size().expandedTo(QSize(wanted, 480));
    if (const QScreen* screen = dialog.screen()) size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size);
}

}  // namespace moxtel
