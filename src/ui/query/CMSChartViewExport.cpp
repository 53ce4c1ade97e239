// The chart control's context menu: the chart as an image on the clipboard or in a PNG or SVG file.
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QSvgGenerator>

#include "app/Utf8.h"
#include "app/WindowServices.h"
#include "query/CMSChartView.h"
#include "query/ExportFiles.h"

namespace moxtel {

QImage CMSChartView::ChartImage() { return grab().toImage(); }

void CMSChartView::CopyImage() { QGuiApplication::clipboard()->setImage(ChartImage()); }

QByteArray CMSChartView::ChartSvg() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size());
    svg.setViewBox(rect());
    svg.setTitle(QString::fromStdString(m_model.TitleText()));
    QPainter painter(&svg);
    QWidget::render(&painter);  // the widget as shown, value labels included
    painter.end();
    return buffer.data();
}

bool CMSChartView::SaveImage() {
    if (!m_services) return false;
    const QString suggested =
        ExportFileName(m_exportName.isEmpty() ? QString::fromStdString(m_model.TitleText()) : m_exportName,
                       QStringLiteral("chart"), QStringLiteral("png"));
    std::optional<QString> path =
        ChooseExportPath(*m_services, this, QStringLiteral("image"), Utf8("PNG 图片 (*.png)|*.png|SVG 图片 (*.svg)|*.svg||"),
                         suggested);
    if (!path) return false;
    const QString suffix = QFileInfo(*path).suffix().toLower();
    if (suffix.isEmpty()) *path += QStringLiteral(".png");
    QByteArray bytes;
    if (suffix == QLatin1String("svg")) {
        bytes = ChartSvg();
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ChartImage().save(&buffer, "PNG");
    }
    return SaveExportFile(*m_services, this, *path, bytes);
}

QMenu* CMSChartView::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(Utf8("复制图片"), this, [this] { CopyImage(); })->setObjectName(QStringLiteral("copyImage"));
    if (m_services)
        menu->addAction(Utf8("保存图片…"), this, [this] { SaveImage(); })->setObjectName(QStringLiteral("saveImage"));
    return menu;
}

void CMSChartView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace moxtel
