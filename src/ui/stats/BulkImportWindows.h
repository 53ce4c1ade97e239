#pragma once

#include <QDialog>
#include <QStringList>

#include "core/import/BulkImport.h"

class QProgressDialog;

namespace moxtel {

inline constexpr const char* kImportProgressName = "importProgress";
inline constexpr const char* kImportFailuresName = "importFailures";

// Imports several workbooks under a progress dialog with 取消. The import's writer runs on the
// calling (user-interface) thread, which keeps the dialog painted and its button answered between
// days; a cancel keeps every day already stored.
ImportSummary RunImportWithProgress(QWidget* owner, const QStringList& paths, const StoreContext& store,
                                    bool inferDirection = false);

// The import's counts in one sentence, and whether it was cancelled.
QString ImportSummaryText(const ImportSummary& summary);

// Asks whether the given number of files without directions are to be imported again with the
// directions inferred by the tick rule.
QString InferDirectionQuestion(std::size_t files);

// What the previous-close and turnover edits held and an import did not use, or "" when both are empty:
// several files take each day's previous close from the day stored before it, and store no turnover.
QString UnusedInputsNote(const QString& previousClose, const QString& turnover);

// What the failure list says of a failed or skipped file: the program's own message, and the
// reader's or the system's words (English) as a second line, "" when the message is the reason.
struct ImportReasonText {
    QString message;
    QString detail;
};
ImportReasonText FailureReasonText(const ImportFailure& failure);
ImportReasonText SkippedReasonText(const ImportFailure& skipped);

// True when the import has files to list: failures, warnings, files skipped or left out as duplicates.
bool HasImportDetails(const ImportSummary& summary);

// The summary and note above a list of what was not stored as given: each failed file with its
// reason, then the warnings of the days stored, the files that are no workbooks, and each file left
// out as the same day as a later one. Closes with 确定.
class CImportFailuresDlg : public QDialog {
    Q_OBJECT
  public:
    CImportFailuresDlg(const ImportSummary& summary, const QString& note, QWidget* parent = nullptr);
};

// The workbook edit's text for several chosen files: each path in double quotes, blank-separated.
QString ImportPathsText(const QStringList& paths);

}  // namespace moxtel
