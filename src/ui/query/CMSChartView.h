#pragma once

#include <QChartView>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <utility>

#include "core/query/CMSChart.h"
#include "ui/app/CDialogBase.h"

class QAbstractAxis;
class QMenu;
class QAbstractSeries;
class QValueAxis;

namespace moxtel {

class IWindowServices;

// The chart control: draws a CMSChart (which the windows fill through Chart()) with Qt Charts.
// Rows are categories, columns are series. ChartType 3 draws lines, anything else bars. Series
// take their pen colours; pen widths in the chart's units become lines of width / 20 pixels, so
// 40, 60, 80 and 100 draw 2, 3, 4 and 5 pixels. Series with labels above their points show each
// value there. The view redraws when the model's Refresh is called, or on Redraw. Its context
// menu copies the chart as an image and saves it as PNG (at the chart's size) or SVG.
class CMSChartView : public QChartView {
    Q_OBJECT
  public:
    explicit CMSChartView(QWidget* parent = nullptr);
    ~CMSChartView() override;

    // A chart control of a window's template, like the window's own Add... controls.
    static CMSChartView* Add(CDialogBase& window, int id, DuRect place);

    CMSChart& Chart() { return m_model; }
    const CMSChart& Chart() const { return m_model; }

    // Lines up the plot areas of charts shown one above the other: the same left and right edges,
    // whatever the widths of their axis labels and legends. Call after the charts are drawn.
    static void AlignPlotAreas(const QList<CMSChartView*>& views);

    // The least size at which the axes' labels and titles are drawn whole.
    QSize minimumSizeHint() const override;

    // Takes over the state of chart (computed elsewhere) and draws it.
    void SetChart(const CMSChart& chart);
    // Draws the model's current state, whether or not Refresh was called.
    void Redraw();

    // What was drawn last: the value axis range, the category texts shown and the value labels
    // of the points (empty for a series without labels); tests and screenshots read them.
    std::pair<double, double> DrawnValueRange() const { return m_drawnRange; }
    QStringList DrawnCategories() const { return m_drawnCategories; }
    QStringList DrawnPointLabels(int column) const;

    // The suggested file name (without extension) when the chart is saved; the chart's title
    // when none is set.
    void SetExportName(const QString& name) { m_exportName = name; }

    // The services that ask for the image file; without them the menu offers only 复制图片.
    void SetServices(IWindowServices* services) { m_services = services; }
    // The context menu with 复制图片 (objectName "copyImage") and 保存图片… ("saveImage").
    QMenu* CreateContextMenu(QWidget* parent);
    // The chart as drawn, at its size on the screen.
    QImage ChartImage();
    void CopyImage();
    // Asks for a file and saves the chart there: SVG for a name ending in .svg, PNG otherwise
    // (".png" is added to a name without an extension). False when cancelled or failed.
    bool SaveImage();
    // The chart as an SVG document, under its caption.
    QByteArray ChartSvg();
    // The saved image: the chart under a caption with its title, the stock and the range.
    QImage SavedImage();
    // The caption's lines (the title; the export name with spaces) and its height in pixels.
    QStringList ImageCaption() const;
    int CaptionHeight() const;

    // Pixel width of a series line for a pen width in the chart's units.
    static int LineWidthPixels(int penWidth);
    // Text of a value label: whole lots without decimals, never in exponent form.
    static QString PointLabelText(double value);

  protected:
    // Value labels are drawn here: Qt's own switch to exponent form at a million lots, and put the
    // labels of negative bars on the zero line.
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool IsLineChart() const { return m_model.ChartType() == kChartType2dLine; }
    void ApplyLook();
    // Every series as a line, or in a bar chart only those drawn as lines over the bars.
    void AddLineSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis, bool onlyDrawnAsLines = false);
    void AddBarSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis);
    void ApplyValueScale(QValueAxis* axis);
    // How many divisions of the value axis leave room for their labels at the view's height.
    int FittingDivisions() const;
    void DrawLineLabel(QPainter& painter, QAbstractSeries& series, int row, double value) const;
    // Above a bar that rises, below one that falls; upright when it fits the bar's width.
    void DrawBarLabel(QPainter& painter, QAbstractSeries& bars, int row, int column, double value) const;

    CMSChart m_model;
    std::pair<double, double> m_drawnRange{0.0, 0.0};
    QStringList m_drawnCategories;
    IWindowServices* m_services = nullptr;
    QString m_exportName;
    void DrawCaption(QPainter& painter) const;
};

}  // namespace moxtel
