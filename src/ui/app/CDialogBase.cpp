#include "ui/app/CDialogBase.h"
#include "ui/app/FigureEdit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>

#include "ui/app/CDropList.h"
#include "ui/app/DataExchange.h"
#include "ui/app/PopupEscapeGuard.h"
#include "ui/app/ScreenPlacement.h"
#include "ui/app/UserSettings.h"
#include "ui/app/WindowServices.h"
#include "ui/query/CMSFlexGridView.h"

namespace moxtel {

namespace {
QString Id(int id) { return QString::number(id); }
}  // namespace

CDialogBase::CDialogBase(const DialogTemplate& dialogTemplate, IWindowServices& services, QWidget* parent)
    : QDialog(parent),
      m_services(services),
      m_units(DialogFont(dialogTemplate.fontPoints)),
      m_scroll(new QScrollArea(this)),
      m_client(new QWidget) {
    setObjectName(Id(dialogTemplate.id));
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    setFont(DialogFont(dialogTemplate.fontPoints));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PopupEscapeGuard::Install();  // Escape closing a drop-down list must not close the window too
    m_clientSize = QSize(m_units.X(dialogTemplate.width), m_units.Y(dialogTemplate.height));
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setMinimumSize(m_clientSize);
    m_client->installEventFilter(this);
    m_scroll->setObjectName(QStringLiteral("clientScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);  // the window's first control takes the focus, as before
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_client);
    setSizeGripEnabled(true);
    // Small enough for any screen; the client area scrolls below its template size.
    setMinimumSize(m_clientSize.boundedTo(QSize(320, 200)));
    resize(TemplateSize());
}

CDialogBase::~CDialogBase() = default;

bool CDialogBase::Initialize() {
    if (m_initialized) return true;
    m_initialized = true;
    return OnInitDialog();
}

int CDialogBase::DoModal() {
    Initialize();
    return exec();
}

void CDialogBase::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
}

QPushButton* CDialogBase::Button(int id) const { return Control<QPushButton>(id); }
QLineEdit* CDialogBase::Edit(int id) const { return Control<QLineEdit>(id); }
CDropList* CDialogBase::DropList(int id) const { return Control<CDropList>(id); }
CMSFlexGridView* CDialogBase::Grid(int id) const { return Control<CMSFlexGridView>(id); }

void CDialogBase::Place(QWidget* control, DuRect place, Stretch stretch) {
    m_placed.push_back({control, place, stretch});
    control->setGeometry(m_units.Rect(place.x, place.y, place.width, place.height));
    LayoutControls();
}

void CDialogBase::AddControl(QWidget* control, DuRect place, Stretch stretch) {
    control->setParent(Client());
    Place(control, place, stretch);
}

QGroupBox* CDialogBase::AddGroup(const QString& caption, DuRect place) {
    auto* group = new QGroupBox(caption, Client());
    Place(group, place, Stretch::Both);
    group->lower();  // behind the controls it frames
    return group;
}

QLabel* CDialogBase::AddStatic(const QString& text, DuRect place, Qt::Alignment align) {
    auto* label = new QLabel(text, Client());
    label->setAlignment(align);
    Place(label, place);
    return label;
}

QLineEdit* CDialogBase::AddEdit(int id, DuRect place, EditStyle style) {
    // Result edits show figures that must never be cut.
    auto* edit = style == EditStyle::ReadOnlyCentred ? new FigureEdit(Client()) : new QLineEdit(Client());
    edit->setObjectName(Id(id));
    if (style != EditStyle::Normal) {
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignCenter);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    if (style == EditStyle::Label) edit->setFrame(false);
    Place(edit, place, Stretch::Width);
    return edit;
}

QPushButton* CDialogBase::AddButton(int id, const QString& caption, DuRect place, ButtonStyle style) {
    auto* button = new QPushButton(caption, Client());
    button->setObjectName(Id(id));
    if (style == ButtonStyle::Default) button->setDefault(true);
    if (id == 1) connect(button, &QPushButton::clicked, this, &CDialogBase::CommandOK);
    if (id == 2) connect(button, &QPushButton::clicked, this, &CDialogBase::CommandCancel);
    Place(button, place);
    return button;
}

CDropList* CDialogBase::AddDropList(int id, DuRect place, std::initializer_list<const char*> items, bool sorted) {
    auto* list = new CDropList(sorted, Client());
    list->setObjectName(Id(id));
    for (const char* item : items) list->AddString(QString::fromUtf8(item));
    Place(list, place);
    return list;
}

QCheckBox* CDialogBase::AddCheck(int id, const QString& text, DuRect place) {
    auto* box = new QCheckBox(text, Client());
    box->setObjectName(Id(id));
    Place(box, place);
    return box;
}

QDateEdit* CDialogBase::AddDatePicker(int id, DuRect place) {
    auto* picker = new QDateEdit(QDate::currentDate(), Client());
    picker->setObjectName(Id(id));
    picker->setCalendarPopup(true);
    picker->calendarWidget()->setFirstDayOfWeek(Qt::Monday);  // as Chinese calendars are printed
    picker->setDisplayFormat(QStringLiteral("yyyy/M/d"));  // the zh-CN short date a picker starts with
    Place(picker, place);
    return picker;
}

CMSFlexGridView* CDialogBase::AddGrid(int id, DuRect place) {
    auto* grid = new CMSFlexGridView(Client());
    grid->setObjectName(Id(id));
    grid->SetServices(&m_services);
    Place(grid, place, Stretch::Both);
    return grid;
}

QAction* CDialogBase::AddMenuCommand(int id, const QString& text) {
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        m_menuBar->setNativeMenuBar(false);
    }
    QAction* action = m_menuBar->addAction(text);
    action->setObjectName(Id(id));
    resize(TemplateSize());
    LayoutFrame();
    return action;
}

void CDialogBase::OnCommand(int id, std::function<void()> handler) {
    if (auto* button = Control<QAbstractButton>(id)) {
        connect(button, &QAbstractButton::clicked, this, [handler] { handler(); });
    } else if (auto* action = Control<QAction>(id)) {
        connect(action, &QAction::triggered, this, [handler] { handler(); });
    } else {
        Q_ASSERT_X(false, "CDialogBase::OnCommand", "no button or menu command with this id");
    }
}

QSize CDialogBase::TemplateSize() const {
    const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    return QSize(m_clientSize.width(), m_clientSize.height() + menuHeight);
}

void CDialogBase::LayoutFrame() {
    const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar) m_menuBar->setGeometry(0, 0, width(), menuHeight);
    m_scroll->setGeometry(0, menuHeight, width(), height() - menuHeight);
}

namespace {

// Below this share of their template size charts and grids stop giving up room; the client
// area scrolls instead.
constexpr double kMostShrink = 0.6;
// The smallest scale a window is drawn at to fit its screen.
constexpr double kLeastZoom = 0.8;

// One direction of the layout: template pixels to client pixels. Above the template size every
// position grows in proportion, so no two controls that were apart come to overlap. Below it the
// room is taken from the stretches only charts and grids cover (no fixed-size control beside them),
// each pixel there shrinking alike, so fixed controls keep their sizes and their distances.
class AxisMap {
  public:
    // mostShrink: the share of the flexible stretches that may go.
    AxisMap(int templateLength, int length, const std::vector<std::pair<int, int>>& flexible,
            const std::vector<std::pair<int, int>>& rigid, double mostShrink)
        : m_scale(std::max(1.0, double(length) / std::max(1, templateLength))) {
        std::vector<char> free(static_cast<std::size_t>(std::max(0, templateLength)), 0);
        for (const auto& [from, to] : flexible)
            for (int i = std::max(0, from); i < std::min(to, templateLength); ++i) free[std::size_t(i)] = 1;
        for (const auto& [from, to] : rigid)
            for (int i = std::max(0, from); i < std::min(to, templateLength); ++i) free[std::size_t(i)] = 0;
        m_freeBefore.assign(free.size() + 1, 0);
        for (std::size_t i = 0; i < free.size(); ++i) m_freeBefore[i + 1] = m_freeBefore[i] + free[i];
        const int shrinkable = m_freeBefore.back();
        m_minimum = templateLength - int(shrinkable * mostShrink);
        if (length < templateLength && shrinkable > 0)
            m_shrink = std::min(mostShrink, double(templateLength - length) / shrinkable);
    }
    // The least length at which every control is still whole.
    int Minimum() const { return m_minimum; }
    int Map(int at) const {
        if (m_shrink == 0.0) return int(at * m_scale);
        const int i = std::clamp(at, 0, int(m_freeBefore.size()) - 1);
        return at - int(m_shrink * m_freeBefore[std::size_t(i)]);
    }

  private:
    double m_scale;
    double m_shrink = 0.0;
    int m_minimum = 0;
    std::vector<int> m_freeBefore;
};

}  // namespace

void CDialogBase::LayoutControls() {
    std::vector<std::pair<int, int>> flexX, rigidX, flexY, rigidY;
    double mostShrinkX = kMostShrink;
    double mostShrinkY = kMostShrink;
    for (const PlacedControl& placed : m_placed) {
        if (!placed.control || placed.control->isHidden() || qobject_cast<QGroupBox*>(placed.control)) continue;
        const QRect base = TemplateRect(placed.place);
        const bool flexible = placed.stretch == Stretch::Both;
        (flexible ? flexX : rigidX).emplace_back(base.left(), base.right() + 1);
        (flexible ? flexY : rigidY).emplace_back(base.top(), base.bottom() + 1);
        if (!flexible) continue;
        // No chart or grid below the size it needs to stay readable (a chart its axis labels).
        const QSize least = placed.control->minimumSizeHint();
        mostShrinkX = std::clamp(1.0 - double(least.width()) / std::max(1, base.width()), 0.0, mostShrinkX);
        mostShrinkY = std::clamp(1.0 - double(least.height()) / std::max(1, base.height()), 0.0, mostShrinkY);
    }
    const AxisMap mapX(Zoomed(m_clientSize.width()), m_client->width(), flexX, rigidX, mostShrinkX);
    const AxisMap mapY(Zoomed(m_clientSize.height()), m_client->height(), flexY, rigidY, mostShrinkY);
    m_client->setMinimumSize(mapX.Minimum(), mapY.Minimum());
    for (const PlacedControl& placed : m_placed) {
        if (!placed.control) continue;
        const QRect base = TemplateRect(placed.place);
        const int left = mapX.Map(base.left());
        const int top = mapY.Map(base.top());
        const int width = placed.stretch == Stretch::None ? base.width() : mapX.Map(base.right() + 1) - left;
        const int height = placed.stretch == Stretch::Both ? mapY.Map(base.bottom() + 1) - top : base.height();
        placed.control->setGeometry(left, top, width, height);
    }
    OnControlsLaidOut();
}

int CDialogBase::Zoomed(int length) const { return int(length * m_zoom); }

QRect CDialogBase::TemplateRect(DuRect place) const {
    const QRect rect = m_units.Rect(place.x, place.y, place.width, place.height);
    if (m_zoom == 1.0) return rect;
    const int left = Zoomed(rect.left());
    const int top = Zoomed(rect.top());
    return QRect(left, top, Zoomed(rect.right() + 1) - left, Zoomed(rect.bottom() + 1) - top);
}

void CDialogBase::ZoomToFit(QSize room) {
    if (m_zoom != 1.0) return;  // once, at the first show
    const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    const QFont windowFont = font();
    // The least size follows the font only roughly (charts round their needs to lines of text):
    // a few steps get there.
    for (int step = 0; step < 4; ++step) {
        LayoutControls();  // the least size for the controls' contents now loaded
        const QSize least = m_client->minimumSize();
        // Two pixels spare for the rounding of every control's place.
        const double factor = std::min({1.0, double(room.width() - 2) / std::max(1, least.width()),
                                        double(room.height() - menuHeight - 2) / std::max(1, least.height())});
        if (factor >= 1.0) return;
        // Far smaller text would be unreadable: on a screen that small the window scrolls instead.
        const double zoom = m_zoom * factor * (step > 0 ? 0.99 : 1.0);
        if (zoom < kLeastZoom) return;
        // Everything a little smaller, text with it, rather than a window that scrolls.
        m_zoom = zoom;
        QFont smaller = windowFont;
        smaller.setPointSizeF(windowFont.pointSizeF() * zoom);
        setFont(smaller);
    }
    LayoutControls();
}

void CDialogBase::FitToScreen() {
    QScreen* where = screen();
    if (!where) return;
    ZoomToFit(where->availableGeometry().size().shrunkBy(WindowDecoration(*this)));
    PlaceInsideScreen(*this);
}

bool CDialogBase::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialogBase::DoDataExchange(DataExchange&) {}

void CDialogBase::OnOK() {
    UpdateData(true);
    EndDialog(1);
}

void CDialogBase::OnCancel() { EndDialog(2); }

void CDialogBase::EndDialog(int result) {
    if (!m_geometryKey.isEmpty() && m_fitted) SaveWindowGeometry(*this, m_geometryKey);
    done(result);
}

void CDialogBase::MessageBox(const QString& text) { m_services.ShowMessage(this, text); }

void CDialogBase::accept() { OnOK(); }

void CDialogBase::reject() { OnCancel(); }

void CDialogBase::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const auto buttons = findChildren<QPushButton*>();
        const bool hasDefault = std::any_of(buttons.begin(), buttons.end(),
                                            [](QPushButton* b) { return b->isDefault() && b->isVisible(); });
        if (!hasDefault) {
            CommandOK();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CDialogBase::showEvent(QShowEvent* event) {
    Initialize();
    QDialog::showEvent(event);
    if (!m_fitted) {
        m_fitted = true;
        if (!m_geometryKey.isEmpty()) RestoreWindowGeometry(*this, m_geometryKey);
        FitToScreen();
    }
}

void CDialogBase::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutFrame();
}

bool CDialogBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize) LayoutControls();
    return QDialog::eventFilter(watched, event);
}

}  // namespace moxtel
