#include "stats/BulkImportWindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/Utf8.h"

namespace moxtel {
namespace {

QString StageText(const ImportProgress& p) {
    const char* stage = p.stage == ImportProgress::Stage::Reading ? "正在读取文件 %1/%2 ......" : "正在保存 %1/%2 天 ......";
    return Utf8(stage).arg(p.done).arg(p.total);
}

}  // namespace

ImportSummary RunImportWithProgress(QWidget* owner, const QStringList& paths) {
    QProgressDialog progress(Utf8("正在导入......"), Utf8("取消"), 0, 0, owner);
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
    options.progress = [&progress](const ImportProgress& p) {
        progress.setLabelText(StageText(p));  // before setValue, which may already paint
        progress.setMaximum(p.total);
        progress.setValue(p.done);
        QApplication::processEvents();  // paints the dialog and takes the click on 取消
    };
    options.cancelled = [&progress] {
        QApplication::processEvents();
        return progress.wasCanceled();
    };
    return ImportWorkbooks(options);
}

CImportFailuresDlg::CImportFailuresDlg(const std::vector<ImportFailure>& failures, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::fromLatin1(kImportFailuresName));
    setWindowTitle(Utf8("导入失败的文件"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Utf8("以下 %1 个文件没有导入：").arg(failures.size()), this));
    auto* table = new QTableWidget(static_cast<int>(failures.size()), 2, this);
    table->setHorizontalHeaderLabels({Utf8("文件"), Utf8("原因")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    for (int row = 0; row < table->rowCount(); ++row) {
        const ImportFailure& f = failures[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(f.path)));
        table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(f.reason)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Utf8("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(760, 320);
}

QString ImportPathsText(const QStringList& paths) {
    QStringList quoted;
    for (const QString& path : paths) quoted << QLatin1Char('"') + path + QLatin1Char('"');
    return quoted.join(QLatin1Char(' '));
}

}  // namespace moxtel
