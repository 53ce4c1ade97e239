#include "ui/query/CUncertainDetailDlg.h"

#include "core/query/SessionState.h"
#include "core/query/UncertainDetail.h"
#include "ui/query/CMSFlexGridView.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kUncertainDetailTemplate{139, "不确定流向明细", 637, 278, 9};
constexpr int kTradeGrid = 1189;

}  // namespace

CUncertainDetailDlg::CUncertainDetailDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kUncertainDetailTemplate, context.services, parent), m_context(context) {
    AddGrid(kTradeGrid, {5, 5, 627, 246});
    AddButton(1, QString::fromUtf8("确定"), {285, 256, 66, 16});
}

bool CUncertainDetailDlg::OnInitDialog() {
    CMSFlexGrid& grid = Grid(kTradeGrid)->Grid();
    SetUncertainGridHeaders(grid);
    FillUncertainGrid(m_context.store, grid, m_context.session.currentMasterId);
    return CDialogBase::OnInitDialog();
}

}  // namespace moxtel
