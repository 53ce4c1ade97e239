// The chart control's context menu: the chart as an image on the clipboard or in a PNG or SVG file.
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QSvgGenerator>

#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/ExportFiles.h"

namespace moxtel {

QImage CMSChartView::ChartImage() { return grab().toImage(); }

QStringList CMSChartView::ImageCaption() const {
    QStringList lines;
    const QString title = QString::fromStdString(m_model.TitleText()).trimmed();
    if (!title.isEmpty()) lines << title;
    // The export name is "stock_dates_what": shown with spaces, it names the stock and the range.
    QString range = m_exportName;
    range.replace(QLatin1Char('_'), QStringLiteral("  "));
    if (!range.trimmed().isEmpty() && range != title) lines << range;
    return lines;
}

int CMSChartView::CaptionHeight() const {
    const QStringList lines = ImageCaption();
    return lines.isEmpty() ? 0 : static_cast<int>(lines.size()) * fontMetrics().height() + 8;
}

// The caption lines, centred in the band of CaptionHeight() at the top of painter's page.
void CMSChartView::DrawCaption(QPainter& painter) const {
    const int height = CaptionHeight();
    if (height == 0) return;
    painter.fillRect(QRect(0, 0, width(), height), palette().window());
    painter.setPen(palette().windowText().color());
    painter.setFont(font());
    painter.drawText(QRect(0, 4, width(), height - 8), Qt::AlignCenter, ImageCaption().join(QLatin1Char('\n')));
}

QImage CMSChartView::SavedImage() {
    const QImage chart = ChartImage();
    const qreal ratio = chart.devicePixelRatio();
    const int caption = CaptionHeight();
    QImage image(chart.width(), chart.height() + qRound(caption * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().window().color());
    QPainter painter(&image);
    DrawCaption(painter);
    painter.drawImage(QPointF(0, caption), chart);
    painter.end();
    return image;
}

void CMSChartView::CopyImage() { QGuiApplication::clipboard()->setImage(ChartImage()); }

QByteArray CMSChartView::ChartSvg() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    const int caption = CaptionHeight();
    svg.setSize(QSize(width(), height() + caption));
    svg.setViewBox(QRect(0, 0, width(), height() + caption));
    svg.setTitle(QString::fromStdString(m_model.TitleText()));
    QPainter painter(&svg);
    DrawCaption(painter);
    QWidget::render(&painter, QPoint(0, caption));  // the widget as shown, value labels included
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
        SavedImage().save(&buffer, "PNG");
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
