#include "ui/templates/CTemplateDlg.h"

#include <QLineEdit>

#include "core/templates/TemplateStore.h"
#include "ui/app/CDropList.h"
#include "ui/app/DataExchange.h"
#include "ui/app/UserSettings.h"
#include "ui/query/CMSFlexGridView.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kTemplateTemplate{131, "自定义设置", 424, 285, 9};
constexpr int kConventionList = 1190;
// The conventions in the list's order (OrderClassConvention's values).
constexpr std::array<const char*, 2> kConventionItems{"按股数或金额（默认）：超大单 50万股或100万元起",
                                                      "只按金额：超大单 100万元、大单 20万元、中单 5万元起"};
constexpr int kNameEdit = 1000;
constexpr int kGrid = 1189;
constexpr int kUpdateButton = 1099;
constexpr int kDeleteButton = 1098;
constexpr std::array<int, 5> kFromLists{1123, 1125, 1117, 1119, 1121};
constexpr std::array<int, 5> kToLists{1124, 1116, 1118, 1120, 1122};
constexpr std::array<const char*, 5> kIntervalCaptions{"区间一", "区间二", "区间三", "区间四", "区间五"};

// Interval 1 stands beside the name; 2 and 3, then 4 and 5, share a line, left and right.
constexpr std::array<std::pair<int, int>, 5> kIntervalPlaces{{{216, 20}, {16, 42}, {216, 42}, {16, 64}, {216, 64}}};

}  // namespace

CTemplateDlg::CTemplateDlg(IWindowServices& services, const StoreContext& store, QWidget* parent)
    : CDialogBase(kTemplateTemplate, services, parent), m_store(store) {
    AddGroup(QString::fromUtf8("设置统计区间"), {7, 5, 410, 97});
    AddStatic(QString::fromUtf8("自定义名称"), {16, 20, 44, 13});
    AddEdit(kNameEdit, {62, 20, 130, 13});
    for (std::size_t n = 0; n < 5; ++n) {
        const auto [x, y] = kIntervalPlaces[n];
        AddStatic(QString::fromUtf8(kIntervalCaptions[n]), {x, y, 28, 13});
        AddDropList(kFromLists[n], {x + 30, y, 62, 13},
                    {"0", "100", "200", "300", "400", "500", "600", "700", "800", "900", "1000"});
        AddStatic(QStringLiteral("---"), {x + 94, y, 16, 13}, Qt::AlignCenter);
        AddDropList(kToLists[n], {x + 112, y, 62, 13},
                    {"100", "200", "300", "400", "500", "600", "700", "800", "900", "1000", "1000+"});
    }
    AddButton(1, QString::fromUtf8("添加"), {172, 82, 50, 14}, ButtonStyle::Default);
    AddButton(kUpdateButton, QString::fromUtf8("更新"), {226, 82, 50, 14});
    AddButton(kDeleteButton, QString::fromUtf8("删除"), {280, 82, 50, 14});
    AddButton(2, QString::fromUtf8("退出"), {334, 82, 50, 14});
    CMSFlexGridView* grid = AddGrid(kGrid, {7, 106, 410, 144});
    AddGroup(QString::fromUtf8("按金额分类"), {7, 253, 410, 28});
    AddStatic(QString::fromUtf8("分类标准"), {16, 264, 44, 13});
    CDropList* conventions = AddDropList(kConventionList, {62, 264, 346, 13}, {kConventionItems[0], kConventionItems[1]},
                                         /*sorted=*/false);
    conventions->setCurrentIndex(static_cast<int>(ChosenOrderConvention()));
    // Applies at once to the next run and import; days stored before keep the convention they had.
    connect(conventions, &QComboBox::activated, this,
            [](int index) { ChooseOrderConvention(static_cast<OrderClassConvention>(index)); });
    grid->Grid().SetCols(6);
    grid->Grid().SetRows(2);

    OnCommand(kUpdateButton, [this] { OnUpdateTemplate(); });
    OnCommand(kDeleteButton, [this] { OnDeleteTemplate(); });
    connect(grid, &CMSFlexGridView::Click, this, &CTemplateDlg::OnTemplateGridClick);
}

bool CTemplateDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    FillTemplateGrid();
    return true;
}

void CTemplateDlg::DoDataExchange(DataExchange& dx) {
    dx.Text(kNameEdit, m_strTemplateName);
    for (std::size_t n = 0; n < 5; ++n) {
        dx.Selection(kFromLists[n], m_nFromItem[n]);
        dx.Selection(kToLists[n], m_nToItem[n]);
    }
}

std::array<IntervalChoice, 5> CTemplateDlg::IntervalChoices() const {
    const auto itemText = [this](int listId, int index) {
        return index < 0 ? std::string() : DropList(listId)->itemText(index).toStdString();
    };
    std::array<IntervalChoice, 5> choices;
    for (std::size_t n = 0; n < 5; ++n) {
        choices[n].fromItem = itemText(kFromLists[n], m_nFromItem[n]);
        choices[n].toItem = itemText(kToLists[n], m_nToItem[n]);
    }
    return choices;
}

void CTemplateDlg::SaveTemplateOfMode(bool insert) {
    UpdateData(true);
    if (m_strTemplateName.isEmpty()) {
        MessageBox(QString::fromUtf8(kMsgTemplateNameEmpty));
        return;
    }
    const Status saved = SaveTemplate(m_store, insert ? SaveMode::Insert : SaveMode::Update,
                                      m_strTemplateName.toStdString(), IntervalChoices());
    if (!saved && !saved.error().Shown()) MessageBox(QString::fromStdString(saved.error().message));
    FillTemplateGrid();
}

void CTemplateDlg::OnAddTemplate() { SaveTemplateOfMode(true); }

void CTemplateDlg::OnUpdateTemplate() { SaveTemplateOfMode(false); }

void CTemplateDlg::OnDeleteTemplate() {
    UpdateData(true);
    if (m_strTemplateName.isEmpty()) {
        MessageBox(QString::fromUtf8(kMsgTemplateNameEmpty));
        return;
    }
    const Status deleted = DeleteTemplate(m_store, m_strTemplateName.toStdString());
    if (!deleted && !deleted.error().Shown()) MessageBox(QString::fromStdString(deleted.error().message));
    FillTemplateGrid();
}

void CTemplateDlg::SetTemplateGridHeaders() {
    CMSFlexGrid& grid = Grid(kGrid)->Grid();
    static constexpr std::array<const char*, 6> kHeaders{"模板名称", "区间一", "区间二", "区间三", "区间四", "区间五"};
    grid.SetColWidth(0, 1800);
    for (int col = 1; col <= 5; ++col) grid.SetColWidth(col, 1300);
    grid.SetRow(0);
    for (int col = 0; col < 6; ++col) {
        grid.SetCol(col);
        grid.SetText(kHeaders[static_cast<std::size_t>(col)]);
    }
}

void CTemplateDlg::FillTemplateGrid() {
    CMSFlexGrid& grid = Grid(kGrid)->Grid();
    grid.Clear();
    SetTemplateGridHeaders();
    int row = 1;
    for (const TemplateRecord& record : LoadTemplates(m_store)) {
        grid.SetRows(row + 2);
        grid.SetRow(row);
        grid.SetCol(0);
        grid.SetText(record.name);
        for (int col = 1; col <= 5; ++col) {
            grid.SetCol(col);
            grid.SetText(record.values[static_cast<std::size_t>(col - 1)]);
        }
        ++row;
    }
    UpdateData(false);
}

void CTemplateDlg::OnTemplateGridClick() {
    CMSFlexGrid& grid = Grid(kGrid)->Grid();
    grid.SetRow(grid.RowSel());
    grid.SetCol(0);
    m_strTemplateName = QString::fromStdString(grid.Text());
    for (std::size_t n = 0; n < 5; ++n) {
        grid.SetCol(static_cast<int>(n) + 1);
        const auto [fromText, toText] = SplitIntervalText(grid.Text());
        m_nFromItem[n] = DropList(kFromLists[n])->findText(QString::fromStdString(FromItemOfText(fromText)));
        m_nToItem[n] = DropList(kToLists[n])->findText(QString::fromStdString(ToItemOfText(toText)));
    }
    UpdateData(false);
}

}  // namespace moxtel
