#include "app/FileDialogTexts.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
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
    // The size column is cut to fit the English texts: wide enough for a size in any unit.
    if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        list->header()->resizeSection(kSizeColumn,
                                      list->fontMetrics().horizontalAdvance(QStringLiteral("9999.99 KiB")) + 16);
    }
}

}  // namespace moxtel
