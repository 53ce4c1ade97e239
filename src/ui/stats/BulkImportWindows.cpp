#include "ui/stats/BulkImportWindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/stats/DayFlowTable.h"
#include "ui/app/UserSettings.h"
#include "ui/app/Utf8.h"

namespace moxtel {
namespace {

QString StageText(const ImportProgress& p) {
    const char* stage = p.stage == ImportProgress::Stage::Reading ? "正在读取文件 %1/%2 ......" : "正在保存 %1/%2 天 ......";
    return Utf8(stage).arg(p.done).arg(p.total);
}

// One bar over the whole import: reading the files fills its first half, storing the days the
// second, so it never starts again between the two.
constexpr int kBarSteps = 1000;

int BarValue(const ImportProgress& p) {
    const int half = kBarSteps / 2;
    const int part = p.total > 0 ? static_cast<int>(static_cast<long long>(half) * p.done / p.total) : half;
    return p.stage == ImportProgress::Stage::Reading ? part : half + part;
}

// A reason cell: the message, and the detail on a second, smaller line.
void SetReasonCell(QTableWidget& table, int row, const ImportReasonText& reason) {
    table.setItem(row, 1, new QTableWidgetItem(reason.message));
    if (reason.detail.isEmpty()) return;
    table.item(row, 1)->setToolTip(reason.detail);
    auto* cell = new QLabel(reason.message.toHtmlEscaped() + QStringLiteral("<br><small>") +
                            reason.detail.toHtmlEscaped() + QStringLiteral("</small>"));
    cell->setAutoFillBackground(true);
    cell->setContentsMargins(3, 1, 3, 1);
    table.setCellWidget(row, 1, cell);
}

// A list without directions in the window's words (the reason the import gives names the command
// line's option).
constexpr const char* kNoDirectionReason = "找不到列 性质，没有买卖方向(可在导入时选择按成交价涨跌推断方向)";

}  // namespace

ImportReasonText FailureReasonText(const ImportFailure& f) {
    const QString words = QString::fromStdString(f.reason);
    switch (f.issue) {
        case ImportIssue::Refused: return {words, {}};
        case ImportIssue::NoDirection: return {Utf8(kNoDirectionReason), {}};
        case ImportIssue::Unreadable: return {Utf8("文件无法读取或已损坏，不是能统计的表格"), words};
        case ImportIssue::NoSuchPath: return {Utf8("文件或文件夹不存在"), words};
        case ImportIssue::NotAFile: return {Utf8("不是普通文件"), words};
        case ImportIssue::Database: return {Utf8("数据库出错，这一天没有保存"), words};
    }
    return {words, {}};
}

ImportReasonText SkippedReasonText(const ImportFailure& f) {
    if (f.issue == ImportIssue::Refused) return {Utf8("跳过：") + QString::fromStdString(f.reason), {}};
    if (f.issue == ImportIssue::NoDirection) return {Utf8("跳过：") + Utf8(kNoDirectionReason), {}};
    return {Utf8("跳过：不是表格文件"), QString::fromStdString(f.reason)};
}

ImportSummary RunImportWithProgress(QWidget* owner, const QStringList& paths, const StoreContext& store,
                                    bool inferDirection) {
    QProgressDialog progress(Utf8("正在导入......"), Utf8("取消"), 0, kBarSteps, owner);
    progress.setObjectName(QString::fromLatin1(kImportProgressName));
    progress.setWindowTitle(Utf8("导入"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(420);
    progress.show();

    ImportOptions options;
    for (const QString& path : paths) options.paths.push_back(path.toStdString());
    options.orderConvention = ChosenOrderConvention();
    options.inferDirection = inferDirection;
    options.progress = [&progress](const ImportProgress& p) {
        progress.setLabelText(StageText(p));  // before setValue, which may already paint
        progress.setValue(BarValue(p));
        QApplication::processEvents();  // paints the dialog and takes the click on 取消
    };
    options.cancelled = [&progress] {
        QApplication::processEvents();
        return progress.wasCanceled();
    };
    return ImportWorkbooks(store, options);
}

QString InferDirectionQuestion(std::size_t files) {
    return Utf8("%1 个文件没有买卖方向(找不到列 性质)，没有导入。\n\n"
                "按成交价涨跌推断方向(涨为买入，跌为卖出，平盘同上一笔)，再导入这些文件吗？"
                "推断的方向不如文件中的准确，这些天会标明“%2”。")
        .arg(files)
        .arg(Utf8(kInferredDirectionText));
}

QString ImportSummaryText(const ImportSummary& s) {
    QString text = Utf8("导入 %1 天（%2 天替换了以前保存的数据），%3 个文件失败，跳过 %4 个不是表格的文件。")
                       .arg(s.imported)
                       .arg(s.replaced)
                       .arg(s.failures.size())
                       .arg(s.skipped);
    if (s.cancelled) text += Utf8("导入已取消，已保存的日子完整保留。");
    return text;
}

QString UnusedInputsNote(const QString& previousClose, const QString& turnover) {
    QString note;
    if (!previousClose.trimmed().isEmpty()) {
        note += Utf8("输入的上一收盘价没有使用：导入多个文件时，每天的上一收盘价取自同一股票前一个已保存的交易日。");
    }
    if (!turnover.trimmed().isEmpty()) note += Utf8("输入的换手率没有使用：导入多个文件时不保存换手率。");
    return note;
}

bool HasImportDetails(const ImportSummary& s) {
    return !s.failures.empty() || !s.warnings.empty() || !s.skippedFiles.empty() || !s.duplicates.empty();
}

CImportFailuresDlg::CImportFailuresDlg(const ImportSummary& summary, const QString& note, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::fromLatin1(kImportFailuresName));
    setWindowTitle(Utf8("导入结果"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(ImportSummaryText(summary) + (note.isEmpty() ? QString() : QStringLiteral("\n") + note), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    std::vector<std::pair<std::string, ImportReasonText>> rows;
    for (const ImportFailure& f : summary.failures) rows.emplace_back(f.path, FailureReasonText(f));
    for (const ImportWarning& w : summary.warnings) {
        rows.emplace_back(w.file, ImportReasonText{Utf8("警告：") + QString::fromStdString(w.what), {}});
    }
    for (const ImportFailure& f : summary.skippedFiles) rows.emplace_back(f.path, SkippedReasonText(f));
    for (const ImportDuplicate& d : summary.duplicates) {
        rows.emplace_back(d.dropped,
                          ImportReasonText{Utf8("重复：与 %1 是同一天，保存的是后者").arg(QString::fromStdString(d.kept)), {}});
    }
    // Then what each other file gave: the day stored.
    for (const ImportStored& d : summary.storedDays) {
        const QString inferred = d.inferredDirection ? Utf8("（%1）").arg(Utf8(kInferredDirectionText)) : QString();
        rows.emplace_back(d.path,
                          ImportReasonText{Utf8("已保存：%1").arg(QString::fromStdString(d.masterId)) + inferred, {}});
    }
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    table->setHorizontalHeaderLabels({Utf8("文件"), Utf8("原因")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto& [path, reason] = rows[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(path)));
        SetReasonCell(*table, row, reason);
    }
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Utf8("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Wide enough for the longest path and reason, as far as the screen allows.
    const int contents = table->horizontalHeader()->length() + table->verticalScrollBar()->sizeHint().width() +
                         2 * table->frameWidth() + layout->contentsMargins().left() + layout->contentsMargins().right();
    const int room = screen() ? screen()->availableGeometry().width() * 9 / 10 : 760;
    resize(std::clamp(contents, 760, std::max(760, room)), 320);
}

QString ImportPathsText(const QStringList& paths) {
    QStringList quoted;
    for (const QString& path : paths) quoted << QLatin1Char('"') + path + QLatin1Char('"');
    return quoted.join(QLatin1Char(' '));
}

}  // namespace moxtel
