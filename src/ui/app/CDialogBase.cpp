#include "app/CDialogBase.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include "app/CDropList.h"
#include "app/DataExchange.h"
#include "app/WindowServices.h"
#include "query/CMSFlexGridView.h"

namespace moxtel {

namespace {
QString Id(int id) { return QString::number(id); }
}  // namespace

CDialogBase::CDialogBase(const DialogTemplate& dialogTemplate, IWindowServices& services, QWidget* parent)
    : QDialog(parent),
      m_services(services),
      m_units(DialogFont(dialogTemplate.fontPoints)),
      m_client(new QWidget(this)) {
    setObjectName(Id(dialogTemplate.id));
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    setFont(DialogFont(dialogTemplate.fontPoints));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_clientSize = QSize(m_units.X(dialogTemplate.width), m_units.Y(dialogTemplate.height));
    m_client->setObjectName(QStringLiteral("client"));
    FitWindow();
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

void CDialogBase::Place(QWidget* control, DuRect place) const {
    control->setGeometry(m_units.Rect(place.x, place.y, place.width, place.height));
}

QGroupBox* CDialogBase::AddGroup(const QString& caption, DuRect place) {
    auto* group = new QGroupBox(caption, Client());
    Place(group, place);
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
    auto* edit = new QLineEdit(Client());
    edit->setObjectName(Id(id));
    if (style != EditStyle::Normal) {
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignCenter);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    if (style == EditStyle::Label) edit->setFrame(false);
    Place(edit, place);
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
    picker->setDisplayFormat(QStringLiteral("yyyy/M/d"));  // the zh-CN short date a picker starts with
    Place(picker, place);
    return picker;
}

CMSFlexGridView* CDialogBase::AddGrid(int id, DuRect place) {
    auto* grid = new CMSFlexGridView(Client());
    grid->setObjectName(Id(id));
    Place(grid, place);
    return grid;
}

QAction* CDialogBase::AddMenuCommand(int id, const QString& text) {
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        m_menuBar->setNativeMenuBar(false);
    }
    QAction* action = m_menuBar->addAction(text);
    action->setObjectName(Id(id));
    FitWindow();
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

void CDialogBase::FitWindow() {
    const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar) m_menuBar->setGeometry(0, 0, m_clientSize.width(), menuHeight);
    m_client->setGeometry(0, menuHeight, m_clientSize.width(), m_clientSize.height());
    setFixedSize(m_clientSize.width(), m_clientSize.height() + menuHeight);
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

void CDialogBase::EndDialog(int result) { done(result); }

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
}

}  // namespace moxtel
