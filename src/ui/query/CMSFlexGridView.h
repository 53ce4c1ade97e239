#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "core/query/CMSFlexGrid.h"
#include "core/query/GridExport.h"

class QMenu;

namespace moxtel {

class IWindowServices;

// Qt table model over a grid: the fixed row 0 and column 0 become the header texts, the other
// cells the table's items.
class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FlexGridModel(CMSFlexGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Follows the grid after a change: rows or columns added or dropped, texts and colours.
    void Sync();

  private:
    QVariant CellData(int row, int col, int role) const;

    CMSFlexGrid& m_grid;
    int m_rows = 0;  // data rows shown (grid rows - 1)
    int m_cols = 0;  // data columns shown (grid columns - 1)
};

// The grid control: draws a CMSFlexGrid (which the windows fill through Grid()) with its fixed
// row and column kept in view, column widths in twips, per-cell text colours and the back colour.
// A click or double-click on a cell of a data row sets RowSel to that row and emits Click or
// DblClick. Clicks on the fixed row 0 (the column headers and the corner cell) are forwarded as
// row 0 only when SetHeaderRowEvents(true) was called; by default they are ignored.
// Its context menu copies the selected cells (the whole grid when none is selected) as
// tab-separated text and exports the whole grid as a CSV file chosen through the window services.
class CMSFlexGridView : public QTableView {
    Q_OBJECT
  public:
    explicit CMSFlexGridView(QWidget* parent = nullptr);
    ~CMSFlexGridView() override;

    CMSFlexGrid& Grid() { return m_grid; }
    const CMSFlexGrid& Grid() const { return m_grid; }

    // Pixels of a width in twips (1/1440 inch) on this screen.
    int TwipsToPixels(int twips) const;

    // What a user click on grid row `row` does (tests use it to click a row directly).
    void ClickRow(int row);
    void DoubleClickRow(int row);

    // Whether clicks on the fixed row reach the window as row 0 (the history grid's double-click
    // opens the detail window from its header too); off by default.
    void SetHeaderRowEvents(bool on) { m_headerRowEvents = on; }
    bool HeaderRowEvents() const { return m_headerRowEvents; }

    // The services that ask for the export file and report a failed write; without them the
    // menu offers only 复制.
    void SetServices(IWindowServices* services) { m_services = services; }
    // The context menu with its commands 复制 (objectName "copy") and 导出CSV… ("exportCsv").
    QMenu* CreateContextMenu(QWidget* parent);
    // The selected cells in grid coordinates, or the whole grid when nothing is selected.
    GridRange CopyRange() const;
    void CopyToClipboard();
    // Asks for a file and writes the whole grid there as CSV; false when cancelled or failed.
    bool ExportCsv();

  signals:
    void Click();
    void DblClick();

  protected:
    // Paints the fixed cell (0, 0) into the table's corner; forwards clicks on the fixed row.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // A click or double-click on the header row or the corner, forwarded as row 0 when enabled.
    void HandleFixedRowMouse(const QEvent& event);
    void OnGridChanged();
    void SyncLayout();
    void FitColumns();
    // Sets the column widths; false when even the widest texts need more than the view's width.
    bool FitColumnsAtFont();
    // Width that shows the widest text of a column (header included).
    int TextColumnWidth(int col) const;

    CMSFlexGrid m_grid;
    FlexGridModel* m_model;
    QWidget* m_corner = nullptr;
    bool m_headerRowEvents = false;
    bool m_fitting = false;
    int m_fontSteps = 0;  // how far the font is shrunk so that every column fits
    IWindowServices* m_services = nullptr;
};

}  // namespace moxtel
