#pragma once

#include <QDialog>
#include <QStringList>

#include "import/BulkImport.h"

class QProgressDialog;

namespace moxtel {

inline constexpr const char* kImportProgressName = "importProgress";
inline constexpr const char* kImportFailuresName = "importFailures";

// Imports several workbooks under a progress dialog with 取消. The import's writer runs on the
// calling (user-interface) thread, which keeps the dialog painted and its button answered between
// days; a cancel keeps every day already stored.
ImportSummary RunImportWithProgress(QWidget* owner, const QStringList& paths);

// The files an import could not read or store, with the reason for each. Closes with 确定.
class CImportFailuresDlg : public QDialog {
    Q_OBJECT
  public:
    CImportFailuresDlg(const std::vector<ImportFailure>& failures, QWidget* parent = nullptr);
};

// The workbook edit's text for several chosen files: each path in double quotes, blank-separated.
QString ImportPathsText(const QStringList& paths);

}  // namespace moxtel
