#include "ui/query/CMSFlexGridView.h"

#include <QAbstractButton>
#include <QBrush>
#include <QClipboard>
#include <QColor>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleOptionHeader>
#include <cmath>

#include "ui/app/Utf8.h"
#include "ui/app/WindowServices.h"
#include "ui/query/ExportFiles.h"

namespace moxtel {

namespace {

QColor ToQColor(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

// A number, or a flow figure such as -1234(-56.7万元): these read best right-aligned.
bool IsNumberText(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)%?(\\(.*\\))?$"));
    return number.match(text.trimmed()).hasMatch();
}

// Columns are never narrowed below their widest text (rows beyond this many are not measured).
constexpr int kMeasuredRows = 100;
constexpr int kMaxFontSteps = 4;    // the grid's font shrinks to no less than 80 % ...
constexpr double kFontStep = 0.05;  // ... in steps of 5 %

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
        case Qt::TextAlignmentRole:
            if (IsNumberText(QString::fromStdString(m_grid.TextAt(row, col))))
                return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
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
    setSelectionMode(QAbstractItemView::ContiguousSelection);  // a block of cells to copy
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
    const int fixedWidth = m_grid.Cols() > 0 ? TwipsToPixels(m_grid.ColWidth(0)) : 0;
    verticalHeader()->setVisible(fixedWidth > 0);
    if (fixedWidth > 0 && verticalHeader()->width() != fixedWidth) verticalHeader()->setFixedWidth(fixedWidth);
    FitColumns();
}

int CMSFlexGridView::TextColumnWidth(int col) const {
    const QFontMetrics metrics(font());
    int widest = horizontalHeader()->fontMetrics().horizontalAdvance(QString::fromStdString(m_grid.TextAt(0, col)));
    const int rows = std::min(m_grid.Rows(), kMeasuredRows);
    for (int row = 1; row < rows; ++row)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(m_grid.TextAt(row, col))));
    return widest + 14;  // the cell's margins and grid line
}

// When even the widest texts are wider than the view, the grid's font shrinks a step at a time
// (to at most kMaxFontSteps steps) so that every column stays in view; it returns to the
// window's font when there is room again.
void CMSFlexGridView::FitColumns() {
    if (m_fitting) return;
    m_fitting = true;
    if (m_fontSteps > 0) {
        setFont(QFont());  // the window's font again
        m_fontSteps = 0;
    }
    const QFont base = font();
    while (!FitColumnsAtFont() && m_fontSteps < kMaxFontSteps) {
        QFont smaller = base;
        const double factor = 1.0 - kFontStep * ++m_fontSteps;
        if (base.pointSizeF() > 0)
            smaller.setPointSizeF(base.pointSizeF() * factor);
        else
            smaller.setPixelSize(std::max(1, static_cast<int>(base.pixelSize() * factor)));
        setFont(smaller);
    }
    m_fitting = false;
}

// Columns take their widths in twips, widened where a text is wider than that: a figure is never
// shown cut. When the widths add up to more than the view is wide, the columns give up their room
// beyond their widest text, each in proportion, so that the last columns are not cut off; a
// horizontal scroll bar remains only when even that is too wide.
bool CMSFlexGridView::FitColumnsAtFont() {
    const std::size_t cols = static_cast<std::size_t>(std::max(m_grid.Cols(), 1));
    std::vector<int> wanted(cols, 0);
    std::vector<int> text(cols, 0);
    long total = 0;
    for (int col = 1; col < m_grid.Cols(); ++col) {
        const auto i = static_cast<std::size_t>(col);
        const int set = TwipsToPixels(m_grid.ColWidth(col));
        setColumnHidden(col - 1, set == 0);
        if (set > 0) {
            text[i] = TextColumnWidth(col);
            wanted[i] = std::max(set, text[i]);
        }
        total += wanted[i];
    }
    const long excess = total - viewport()->width();
    std::vector<int> widths = wanted;
    bool fits = true;
    if (excess > 0) {
        std::vector<int> room(cols, 0);
        long slack = 0;
        for (std::size_t i = 1; i < cols; ++i) {
            room[i] = wanted[i] - text[i];
            slack += room[i];
        }
        fits = slack >= excess;
        const double give = slack == 0 ? 0.0 : std::min(1.0, double(excess) / double(slack));
        for (std::size_t i = 1; i < widths.size(); ++i) widths[i] -= static_cast<int>(std::ceil(room[i] * give));
    }
    for (int col = 1; col < m_grid.Cols(); ++col) {
        const int width = widths[static_cast<std::size_t>(col)];
        if (width > 0 && columnWidth(col - 1) != width) setColumnWidth(col - 1, width);
    }
    return fits;
}

void CMSFlexGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FitColumns();
}

GridRange CMSFlexGridView::CopyRange() const {
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    if (selected.isEmpty()) return WholeGrid(m_grid);
    GridRange range{m_grid.Rows(), m_grid.Cols(), -1, -1};
    for (const QModelIndex& index : selected) {
        range.top = std::min(range.top, index.row() + 1);
        range.left = std::min(range.left, index.column() + 1);
        range.bottom = std::max(range.bottom, index.row() + 1);
        range.right = std::max(range.right, index.column() + 1);
    }
    return range;
}

void CMSFlexGridView::CopyToClipboard() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(GridToTsvWithLabels(m_grid, CopyRange())));
}

bool CMSFlexGridView::ExportCsv() {
    if (!m_services) return false;
    const QString title = window() ? window()->windowTitle() : QString();
    const std::optional<QString> path =
        ChooseExportPath(*m_services, this, QStringLiteral("csv"), Utf8("CSV 文件 (*.csv)|*.csv|所有文件 (*.*)|*.*||"),
                         ExportFileName(title, QStringLiteral("grid"), QStringLiteral("csv")));
    if (!path) return false;
    return SaveExportFile(*m_services, this, *path, QByteArray::fromStdString(GridToCsv(m_grid, WholeGrid(m_grid))));
}

QMenu* CMSFlexGridView::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* copy = menu->addAction(Utf8("复制"), this, [this] { CopyToClipboard(); });
    copy->setObjectName(QStringLiteral("copy"));
    copy->setShortcut(QKeySequence::Copy);
    if (m_services) {
        QAction* csv = menu->addAction(Utf8("导出CSV…"), this, [this] { ExportCsv(); });
        csv->setObjectName(QStringLiteral("exportCsv"));
    }
    return menu;
}

void CMSFlexGridView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();  // the selected block, where the table alone would copy one cell
        return;
    }
    QTableView::keyPressEvent(event);
}

void CMSFlexGridView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace moxtel
