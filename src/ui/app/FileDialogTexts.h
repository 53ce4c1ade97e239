#pragma once

#include <QIdentityProxyModel>

class QFileDialog;

namespace moxtel {

// The file list of Qt's own file dialog in the program's language: sizes and dates written by the
// default locale (Chinese) instead of the system's, and folders called 文件夹, which Qt's
// translations leave in English. Everything else passes through unchanged.
class ChineseFileListModel : public QIdentityProxyModel {
    Q_OBJECT
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

// Makes the dialog Qt's own (a desktop's native dialog would follow the system's language) and
// gives it the Chinese file list.
void SpeakChinese(QFileDialog& dialog);

}  // namespace moxtel
