#pragma once

#include <QPointer>

#include "core/common/Result.h"
#include "core/stats/TickDay.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"
#include "ui/app/ControlPages.h"
#include "ui/app/NumberInput.h"
#include "ui/stats/DynamicStatsRows.h"
#include "ui/stats/OrderClassSection.h"
#include "ui/stats/ResultPanel.h"

namespace moxtel {

inline constexpr const char* kMsgRunning = "正在统计，请稍后......";
inline constexpr const char* kWorkbookFilter =
    "行情表格 (*.xls *.xlsx *.csv *.txt *.tsv *.dat)|*.xls;*.xlsx;*.csv;*.txt;*.tsv;*.dat|所有文件 (*)|*||";

// The main window: the statistics inputs (workbook, template, previous close, turnover), the
// statistics run, the result panel with its template rows and dynamic rows, the buttons and menu
// commands that open the other windows, and the close that copies the database to its backup.
class CMainStatDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CMainStatDlg(const WindowContext& context, QWidget* parent = nullptr);

    // The workbook path, as if chosen with browse (a path given on the command line).
    void SetWorkbookPath(const QString& path);
    void OnBrowse();
    void OnStatistics();
    void OnExit();
    // Opens the manual in the help window (one at a time), or a window naming where it looked.
    void OnHelp();
    // Enables or disables together the buttons that need a result: 1098, 1099, 1100, 1135, 1142.
    void EnableActionButtons(bool enable);

    // Result panel, template selection and dynamic statistics.
    void ShowDayTotals();
    void LoadTemplateNames();
    // The list again from the database, keeping the chosen name when it is still there.
    void ReloadTemplateNames();
    void SetDefaultIntervalLabels();
    void OnTemplateSelected();
    void ApplySelectedTemplate();
    void LoadTemplateLabels(const QString& name);
    void ComputeTemplateSums();
    void OnDynamicRow(int row);  // 0..2

    bool HasResult() const { return m_bHasResult; }
    const ResultPanel& Panel() const { return m_panel; }
    const DynamicStatsRows& DynamicRows() const { return m_dynamicRows; }
    const OrderClassSection& OrderClasses() const { return m_orderClasses; }
    // The tabs over the area under the totals: 按区间 and 按金额分类.
    static constexpr int kIntervalPage = 0;
    static constexpr int kClassPage = 1;
    QTabBar* PageTabs() const { return m_pages.Tabs(); }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    // Escape and the caption's close button: backup, then close with 2.
    void OnCancel() override;
    // A single workbook file dropped anywhere on the window becomes the workbook path, as browse does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildControls();
    // Numbers only in the edit; a pasted text that is no number is refused with a message.
    void GuardNumberEdit(int id, const char* name, NumberInputGuard::Percent percent);
    void MapCommands();
    void RunStatistics(const QString& idleTitle);
    // Imports the several files chosen with browse; shows the last day stored and the failures.
    void RunImport(const QString& idleTitle);
    // Makes a stored day the current one: title line, result panel, buttons.
    void ShowRunResult(StatisticsOutcome&& outcome, bool storedUncertain);
    // Shows why a run failed; idleTitle is what the title line showed before the run.
    void ShowRunError(const Error& error, const QString& idleTitle);
    void ShowProgress(int rowsRead);
    // Copies the database to the backup folder, once however the window closes; a failure
    // shows its message and the close goes on.
    void BackupDatabase();
    void OpenChild(const char* name);

    WindowContext m_context;
    QString m_strWorkbookPath;   // 1185
    QString m_strPreviousClose;  // 1159
    QString m_strTurnover;       // 1126
    QString m_strTitle;          // 1001
    QStringList m_importPaths;   // several files chosen with browse
    ResultPanel m_panel;
    DynamicStatsRows m_dynamicRows;
    OrderClassSection m_orderClasses;
    ControlPages m_pages;
    bool m_bHasResult = false;
    bool m_bBackupDone = false;
    qint64 m_lastProgressPaint = 0;
    QPointer<QDialog> m_helpWindow;
};

}  // namespace moxtel
