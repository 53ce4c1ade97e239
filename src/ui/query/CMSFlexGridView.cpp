#include "query/CMSFlexGridView.h"

#include <QAbstractButton>
#include <QBrush>
#include <QColor>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace moxtel {

namespace {

QColor ToQColor(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

FlexGridModel::FlexGridModel(CMSFlexGrid& grid, QObject* parent) : QAbstractTableModel(parent), m_grid(grid) {
    m_rows = std::max(grid.Rows() - 1, 0);
    m_cols = std::max(grid.Cols() - 1, 0);
}

int FlexGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int FlexGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_cols; }

QVariant FlexGridModel::CellData(int row, int col, int role) const {
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(m_grid.TextAt(row, col));
        case Qt::ForegroundRole:
            if (m_grid.HasCellForeColor(row, col)) return QBrush(ToQColor(m_grid.CellForeColorAt(row, col)));
            return {};
        default:
            return {};
    }
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::BackgroundRole) return QBrush(ToQColor(m_grid.BackColor()));
    if (role == Qt::ForegroundRole && !m_grid.HasCellForeColor(index.row() + 1, index.column() + 1)) {
        return QBrush(Qt::black);
    }
    return CellData(index.row() + 1, index.column() + 1, role);
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (orientation == Qt::Horizontal) return CellData(0, section + 1, role);
    return CellData(section + 1, 0, role);
}

void FlexGridModel::Sync() {
    const int rows = std::max(m_grid.Rows() - 1, 0);
    const int cols = std::max(m_grid.Cols() - 1, 0);
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (cols > m_cols) {
        beginInsertColumns({}, m_cols, cols - 1);
        m_cols = cols;
        endInsertColumns();
    } else if (cols < m_cols) {
        beginRemoveColumns({}, cols, m_cols - 1);
        m_cols = cols;
        endRemoveColumns();
    }
    if (m_rows > 0 && m_cols > 0) emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1));
    if (m_cols > 0) emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    if (m_rows > 0) emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

CMSFlexGridView::CMSFlexGridView(QWidget* parent) : QTableView(parent), m_model(new FlexGridModel(m_grid, this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setFixedHeight(fontMetrics().height() + 6);
    m_grid.SetChangedCallback([this] { OnGridChanged(); });
    setCornerButtonEnabled(false);
    m_corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner) m_corner->installEventFilter(this);
    horizontalHeader()->viewport()->installEventFilter(this);

    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) { ClickRow(index.row() + 1); });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { DoubleClickRow(index.row() + 1); });
    // The fixed column of a data row is part of that row.
    connect(verticalHeader(), &QHeaderView::sectionClicked, this, [this](int section) { ClickRow(section + 1); });
    connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int section) { DoubleClickRow(section + 1); });
    SyncLayout();
}

CMSFlexGridView::~CMSFlexGridView() { m_grid.SetChangedCallback({}); }

int CMSFlexGridView::TwipsToPixels(int twips) const { return (twips * logicalDpiX() + 720) / 1440; }

void CMSFlexGridView::ClickRow(int row) {
    m_grid.SetRowSel(row);
    emit Click();
}

void CMSFlexGridView::DoubleClickRow(int row) {
    m_grid.SetRowSel(row);
    emit DblClick();
}

void CMSFlexGridView::OnGridChanged() {
    m_model->Sync();
    SyncLayout();
    if (m_corner) m_corner->update();
}

bool CMSFlexGridView::eventFilter(QObject* watched, QEvent* event) {
    const bool onFixedRow = watched == m_corner || watched == horizontalHeader()->viewport();
    if (onFixedRow) HandleFixedRowMouse(*event);  // observed only: the header keeps its own handling
    if (watched != m_corner || event->type() != QEvent::Paint) return QTableView::eventFilter(watched, event);
    QPainter painter(m_corner);
    QStyleOptionHeader option;
    option.initFrom(horizontalHeader());
    option.state = QStyle::State_Enabled | QStyle::State_Raised;
    option.rect = m_corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = QString::fromStdString(m_grid.TextAt(0, 0));
    option.textAlignment = Qt::AlignCenter;
    style()->drawControl(QStyle::CE_Header, &option, &painter, m_corner);
    return true;
}

void CMSFlexGridView::HandleFixedRowMouse(const QEvent& event) {
    if (!m_headerRowEvents) return;
    const auto* mouse = dynamic_cast<const QMouseEvent*>(&event);
    if (!mouse || mouse->button() != Qt::LeftButton) return;
    if (event.type() == QEvent::MouseButtonRelease) ClickRow(0);
    if (event.type() == QEvent::MouseButtonDblClick) DoubleClickRow(0);
}

void CMSFlexGridView::SyncLayout() {
    for (int col = 1; col < m_grid.Cols(); ++col) {
        const int width = TwipsToPixels(m_grid.ColWidth(col));
        setColumnHidden(col - 1, width == 0);
        if (width > 0 && columnWidth(col - 1) != width) setColumnWidth(col - 1, width);
    }
    const int fixedWidth = m_grid.Cols() > 0 ? TwipsToPixels(m_grid.ColWidth(0)) : 0;
    verticalHeader()->setVisible(fixedWidth > 0);
    if (fixedWidth > 0 && verticalHeader()->width() != fixedWidth) verticalHeader()->setFixedWidth(fixedWidth);
}

}  // namespace moxtel
