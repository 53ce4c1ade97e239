#include "ui/app/CMainStatDlg.h"

#include <QAction>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeySequence>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>

#include "core/data/CDataFolder.h"
#include "core/query/SessionState.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "ui/app/AppIcon.h"
#include "ui/app/BusyCursor.h"
#include "ui/app/CDropList.h"
#include "ui/app/CHelpWindow.h"
#include "ui/app/DataExchange.h"
#include "ui/app/NumberInput.h"
#include "ui/app/UserSettings.h"
#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"
#include "ui/stats/BulkImportWindows.h"
#include "ui/stats/CDayIdentityDlg.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kMainTemplate{102, "岚谷股票资金流向分析", 853, 330, 9};

constexpr int kTitleLine = 1001;
constexpr int kWorkbookEdit = 1185;
constexpr int kBrowseButton = 1184;
constexpr int kTemplateList = 1114;
constexpr int kPreviousCloseEdit = 1159;
constexpr int kTurnoverEdit = 1126;
constexpr int kStatisticsButton = 1186;
constexpr int kExitButton = 1143;
constexpr int kIntervalDetailButton = 1135;
constexpr int kUncertainDetailButton = 1142;
constexpr int kPageTabs = 1530;

constexpr int kMenuHistoryQuery = 32776;
constexpr int kMenuRank = 32777;
constexpr int kMenuWatchList = 32778;
constexpr int kMenuTemplates = 32771;
constexpr int kMenuClearData = 32772;
constexpr int kMenuAbout = 32774;
constexpr int kMenuHelp = 32775;

// The source tree's manual, for a program run from its build folder.
#ifdef MOXTEL_SOURCE_MANUAL_DIR
constexpr const char* kSourceManualFolder = MOXTEL_SOURCE_MANUAL_DIR;
#else
constexpr const char* kSourceManualFolder = "";
#endif

}  // namespace

CMainStatDlg::CMainStatDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kMainTemplate, context.services, parent), m_context(context) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    SetGeometryKey(QStringLiteral("mainWindow"));
    setWindowIcon(AppIcon());
    BuildControls();
    MapCommands();
    GuardNumberEdit(kPreviousCloseEdit, "上一收盘价", NumberInputGuard::Percent::Refused);
    // The turnover is kept as typed and never read back as a figure: "1.23%" is as good as "1.23".
    GuardNumberEdit(kTurnoverEdit, "换手率", NumberInputGuard::Percent::Allowed);
    setAcceptDrops(true);
    Edit(kWorkbookEdit)->setAcceptDrops(false);  // a dropped file's URL would land in it as text
}

void CMainStatDlg::BuildControls() {
    AddMenuCommand(kMenuHistoryQuery, Utf8("历史查询"));
    // The queries across stored stocks, beside the one stock's history (its window opens them too).
    AddMenuCommand(kMenuRank, Utf8("资金排行"));
    AddMenuCommand(kMenuWatchList, Utf8("自选股走势"));
    AddMenuCommand(kMenuTemplates, Utf8("设置"));
    AddMenuCommand(kMenuClearData, Utf8("清除历史数据"));
    AddMenuCommand(kMenuAbout, Utf8("产品信息"));
    AddMenuCommand(kMenuHelp, Utf8("帮助"))->setShortcut(QKeySequence::HelpContents);  // F1

    AddGroup(Utf8("统计设置（如果是第一次录入该股票，请填写上一收盘价）"), {5, 3, 843, 37});
    AddStatic(Utf8("数据文件"), {13, 19, 34, 14});
    AddEdit(kWorkbookEdit, {49, 19, 234, 14});
    AddButton(kBrowseButton, Utf8("浏览"), {286, 18, 36, 16});
    AddStatic(Utf8("选择统计模板"), {332, 19, 50, 14});
    AddDropList(kTemplateList, {384, 19, 100, 14});
    AddStatic(Utf8("上一收盘价"), {494, 19, 42, 14});
    AddEdit(kPreviousCloseEdit, {538, 19, 52, 14});
    AddStatic(Utf8("换手率"), {600, 19, 26, 14});
    AddEdit(kTurnoverEdit, {628, 19, 52, 14});
    AddButton(kStatisticsButton, Utf8(" 统计"), {694, 18, 66, 16}, ButtonStyle::Default);
    AddButton(kExitButton, Utf8("退出"), {770, 18, 66, 16});

    AddEdit(kTitleLine, {5, 44, 843, 14}, EditStyle::ReadOnlyCentred);

    AddGroup(Utf8("汇总"), {5, 61, 753, 42});
    m_panel.BuildTotalsRow(*this, 12, 72, 739);
    AddButton(kIntervalDetailButton, Utf8("查看区间明细"), {764, 66, 84, 16});
    AddButton(kUncertainDetailButton, Utf8("查看不确定流向明细"), {764, 86, 84, 16});

    // Two pages share the area under the totals, so the window still fits a scaled full HD screen.
    m_pages.Build(*this, kPageTabs, {5, 106, 843, 13},
                  {{"按区间",
                    [this] {
                        m_panel.BuildIntervalGroups(*this, 5, 121, 843, 109, kMainPanelCaptions);
                        m_dynamicRows.Build(*this, 5, 234, 843, 92);
                    }},
                   {"按金额分类", [this] { m_orderClasses.Build(*this, 5, 121, 843, 106); }}});
}

void CMainStatDlg::MapCommands() {
    OnCommand(kBrowseButton, [this] { OnBrowse(); });
    OnCommand(kStatisticsButton, [this] { OnStatistics(); });
    OnCommand(kExitButton, [this] { OnExit(); });
    for (int row = 0; row < kDynamicRows; ++row) {
        OnCommand(DynamicStatsRows::kButtons[static_cast<std::size_t>(row)], [this, row] { OnDynamicRow(row); });
    }
    OnCommand(kIntervalDetailButton, [this] { OpenChild(kIntervalDetailDlg); });
    OnCommand(kUncertainDetailButton, [this] { OpenChild(kUncertainDetailDlg); });
    OnCommand(kMenuHistoryQuery, [this] { OpenChild(kHistoryQueryDlg); });
    OnCommand(kMenuRank, [this] { OpenChild(kRankDlg); });
    OnCommand(kMenuWatchList, [this] { OpenChild(kWatchListDlg); });
    OnCommand(kMenuTemplates, [this] {
        OpenChild(kTemplateDlg);
        ReloadTemplateNames();  // templates added, renamed or deleted there are offered at once
    });
    OnCommand(kMenuClearData, [this] { OpenChild(kClearDataDlg); });
    OnCommand(kMenuAbout, [this] { OpenChild(kAboutDlg); });
    OnCommand(kMenuHelp, [this] { OnHelp(); });
    // Only an accepted choice applies a template; moving through the open list does nothing.
    connect(DropList(kTemplateList), &QComboBox::activated, this, [this] { OnTemplateSelected(); });
}

bool CMainStatDlg::OnInitDialog() {
    m_bHasResult = false;
    LoadTemplateNames();
    SetDefaultIntervalLabels();
    UpdateData(false);
    EnableActionButtons(false);
    return true;
}

void CMainStatDlg::DoDataExchange(DataExchange& dx) {
    dx.Text(kTitleLine, m_strTitle);
    dx.Text(kWorkbookEdit, m_strWorkbookPath);
    dx.Text(kPreviousCloseEdit, m_strPreviousClose);
    dx.Text(kTurnoverEdit, m_strTurnover);
    m_panel.Exchange(dx);
    m_dynamicRows.Exchange(dx);
    m_orderClasses.Exchange(dx);
}

void CMainStatDlg::GuardNumberEdit(int id, const char* name, NumberInputGuard::Percent percent) {
    new NumberInputGuard(
        *Edit(id),
        [this, name](const QString& pasted) {
            MessageBox(Utf8("%1只能填写数字，粘贴的“%2”不是数字。").arg(Utf8(name), pasted.left(40)));
        },
        percent);
}

void CMainStatDlg::SetWorkbookPath(const QString& path) {
    m_strWorkbookPath = path;
    Edit(kWorkbookEdit)->setText(path);
}

void CMainStatDlg::EnableActionButtons(bool enable) {
    for (int id : {1098, 1099, 1100, kIntervalDetailButton, kUncertainDetailButton}) Button(id)->setEnabled(enable);
}

void CMainStatDlg::OnBrowse() {
    // Keep what was typed into the other edits: the load below writes every member back.
    UpdateData(true);
    const std::optional<QStringList> paths =
        Services().ChooseOpenFiles(this, Utf8(kWorkbookFilter), LastBrowseFolder());
    if (!paths) return;
    RememberBrowseFolder(paths->front());
    m_importPaths = paths->size() > 1 ? *paths : QStringList();
    m_strWorkbookPath = paths->size() > 1 ? ImportPathsText(*paths) : paths->front();
    UpdateData(false);
}

namespace {

// The local file of a drag that carries exactly one, or "" for anything else.
QString DroppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void CMainStatDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainStatDlg::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    UpdateData(true);  // keep what was typed into the other edits
    m_strWorkbookPath = path;
    UpdateData(false);
    event->acceptProposedAction();
}

void CMainStatDlg::OnStatistics() {
    BusyCursor busy;
    UpdateData(true);
    const QString idleTitle = m_strTitle;
    m_strTitle = Utf8(kMsgRunning);
    UpdateData(false);
    Edit(kTitleLine)->repaint();  // the line shows before the run starts working
    // Several files chosen with browse, and the edit still lists them: import them all.
    if (!m_importPaths.isEmpty() && m_strWorkbookPath == ImportPathsText(m_importPaths)) {
        RunImport(idleTitle);
    } else {
        RunStatistics(idleTitle);
    }
}

void CMainStatDlg::RunImport(const QString& idleTitle) {
    EnableActionButtons(false);
    QElapsedTimer timer;
    timer.start();
    ImportSummary summary = RunImportWithProgress(this, m_importPaths, m_context.store);
    double seconds = timer.elapsed() / 1000.0;
    // Lists without directions: offered once more with the directions inferred, as the single
    // file's window does with its checkbox.
    const std::vector<std::string> undirected = FilesWithoutDirection(summary);
    if (!undirected.empty() && !summary.cancelled && Services().Ask(this, InferDirectionQuestion(undirected.size()))) {
        QStringList paths;
        for (const std::string& path : undirected) paths << QString::fromStdString(path);
        timer.restart();
        summary = WithInferredRetry(std::move(summary),
                                    RunImportWithProgress(this, paths, m_context.store, /*inferDirection=*/true));
        seconds += timer.elapsed() / 1000.0;
    }
    m_strTitle = idleTitle;  // nothing stored: the line goes back to what it showed
    if (summary.lastDay) {
        const bool storedUncertain = !summary.lastDay->uncertainTrades.empty();
        ShowRunResult(std::move(*summary.lastDay), storedUncertain);
    } else if (m_bHasResult) {
        EnableActionButtons(true);  // the result shown before stays, and stays usable
    }
    UpdateData(false);
    // The list when there is anything to list; else one line when nothing was stored or an input went unused.
    const QString note = UnusedInputsNote(m_strPreviousClose, m_strTurnover);
    if (HasImportDetails(summary)) {
        CImportFailuresDlg details(summary, note, this);
        Services().RunChild(details);
    } else if (summary.imported == 0 || !note.isEmpty()) {
        MessageBox(ImportSummaryText(summary) + note);
    } else {
        // A clean import says what it stored and how long that took, rather than nothing.
        Services().ShowAppMessage(this, ImportSummaryText(summary) + Utf8("用时 %1 秒。").arg(seconds, 0, 'f', 1),
                                  MessageIcon::Information);
    }
}

void CMainStatDlg::ShowRunResult(StatisticsOutcome&& outcome, bool storedUncertain) {
    SessionState& session = m_context.session;
    session.day = std::move(outcome.day);
    if (storedUncertain) session.currentMasterId = session.day.masterId;
    m_strTitle = QString::fromStdString(session.day.titleText);
    if (session.day.inferredDirection)
        m_strTitle += QStringLiteral("  (") + Utf8(kInferredDirectionText) + QLatin1Char(')');
    ShowDayTotals();
    ComputeTemplateSums();
    m_bHasResult = true;
    EnableActionButtons(true);
}

void CMainStatDlg::ShowRunError(const Error& error, const QString& idleTitle) {
    const std::string& message = error.message;
    // A refused workbook (no trade date or stock in its title) stored nothing: the line goes back.
    if (error.kind == ErrorKind::Failed) m_strTitle = idleTitle;
    UpdateData(false);  // drops the progress text; otherwise the line keeps the running text
    if (error.Shown()) return;
    if (error.detail.empty()) {
        MessageBox(QString::fromStdString(message));
    } else {
        Services().ShowMessageWithDetail(this, QString::fromStdString(message), QString::fromStdString(error.detail));
    }
}

void CMainStatDlg::RunStatistics(const QString& idleTitle) {
    EnableActionButtons(false);
    SessionState& session = m_context.session;
    auto shownDay = session.day;  // what the panel and the detail buttons show until a new day replaces it
    session.day.ClearBuckets();

    StatisticsObserver observer;
    observer.progress = [this](int rowsRead) { ShowProgress(rowsRead); };
    observer.warning = [this](const FileWarning& warning) {
        Edit(kTitleLine)->setText(m_strTitle);  // the running text alone while the message is up
        Services().ShowAppMessage(this, QString::fromStdString(warning.Text()), MessageIcon::Stop);
    };
    StatisticsInputs inputs{m_strWorkbookPath.toStdString(), m_strPreviousClose.toStdString(),
                            m_strTurnover.toStdString()};
    inputs.dayOverrides = DesktopDayOverrides(Services(), this, m_strWorkbookPath, m_context.store);
    inputs.orderConvention = ChosenOrderConvention();
    SqliteDayStore store(m_context.store);  // the whole day is stored in one transaction, or not at all
    Result<StatisticsOutcome> outcome = moxtel::RunStatistics(inputs, &store, observer);
    if (!outcome) {
        if (outcome.error().Shown()) {  // cancelled, or the database failed: the window as it was
            session.day = std::move(shownDay);
            m_strTitle = idleTitle;
            if (m_bHasResult) EnableActionButtons(true);
        }
        ShowRunError(outcome.error(), idleTitle);
        return;
    }
    ShowRunResult(std::move(*outcome), store.StoredUncertainCount() > 0);
}

void CMainStatDlg::ShowProgress(int rowsRead) {
    // Repaint at most a few times a second: painting is slower than reading rows.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastProgressPaint < 150) return;
    m_lastProgressPaint = now;
    QLineEdit* title = Edit(kTitleLine);
    title->setText(Utf8(kMsgRunning) + QStringLiteral("  ") + Utf8("已读取 %1 笔").arg(rowsRead));
    title->repaint();
}

void CMainStatDlg::OnHelp() {
    if (m_helpWindow) {
        m_helpWindow->raise();
        m_helpWindow->activateWindow();
        return;
    }
    const std::vector<std::string> folders = HelpFolderCandidates(CDataFolder::GetProgramFolder(), kSourceManualFolder);
    QStringList searched;
    for (const std::string& folder : folders) searched << QString::fromStdString(folder);
    const std::optional<std::string> index = FindHelpIndex(folders);
    m_helpWindow = new CHelpWindow(index ? QString::fromStdString(*index) : QString(), searched, this);
    m_helpWindow->show();
}

void CMainStatDlg::OpenChild(const char* name) { m_context.children.Open(name, m_context); }

void CMainStatDlg::BackupDatabase() {
    if (m_bBackupDone) return;
    m_bBackupDone = true;
    // A large changed database takes a while to copy: a bar shows how far, only after a second,
    // so the usual quick close shows nothing. The copy cannot be cancelled halfway.
    QProgressDialog dialog(Utf8("正在备份数据库，请稍后......"), QString(), 0, 1000, this);
    dialog.setWindowTitle(windowTitle());
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(1000);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    const Status copied = ::moxtel::BackupDatabase(m_context.store, [&dialog](std::int64_t done, std::int64_t total) {
        if (total > 0) dialog.setValue(static_cast<int>(done * 1000 / total));
    });
    dialog.close();
    // The fixed text, and why (a full disk, a damaged database, a folder in the way) in the box's detail.
    if (!copied) {
        Services().ShowMessageWithDetail(this, Utf8(kMsgBackupFailed), QString::fromStdString(copied.error().detail));
    }
}

void CMainStatDlg::OnExit() {
    BackupDatabase();
    CDialogBase::OnOK();
}

void CMainStatDlg::OnCancel() {
    BackupDatabase();
    CDialogBase::OnCancel();
}

}  // namespace moxtel
