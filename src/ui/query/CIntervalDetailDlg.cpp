#include "ui/query/CIntervalDetailDlg.h"

#include "core/query/DetailQuery.h"
#include "core/query/IntervalDetail.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kIntervalDetailTemplate{138, "区间明细", 832, 230, 9};

constexpr int kTitleLine = 1001;
constexpr std::array<const char*, 6> kGroupCaptions{"流入", "流出", "流向", "流向(加未知流向)", "总量", "未知流向"};

constexpr int kGroupWidth = 135;
constexpr int kGroupGap = 2;
constexpr int kLabelWidth = 38;
constexpr int kFirstRowTop = 35;
constexpr int kRowStep = 15;

}  // namespace

CIntervalDetailDlg::CIntervalDetailDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kIntervalDetailTemplate, context.services, parent), m_context(context) {
    BuildControls();
    m_texts[kTitleLine];
    for (const auto& ids : kIntervalDetailIds)
        for (int id : ids) m_texts[id];
}

void CIntervalDetailDlg::BuildControls() {
    AddEdit(kTitleLine, {5, 5, 822, 14}, EditStyle::ReadOnlyCentred);
    for (std::size_t group = 0; group < kGroupCaptions.size(); ++group) {
        const int left = 5 + static_cast<int>(group) * (kGroupWidth + kGroupGap);
        AddGroup(QString::fromUtf8(kGroupCaptions[group]), {left, 23, kGroupWidth, 184});
        for (std::size_t bucket = 0; bucket < kIntervalDetailIds.size(); ++bucket) {
            const int top = kFirstRowTop + static_cast<int>(bucket) * kRowStep;
            const std::string_view label = kBucketLabels[bucket];
            AddStatic(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())),
                      {left + 4, top, kLabelWidth, 13});
            AddEdit(kIntervalDetailIds[bucket][group],
                    {left + kLabelWidth + 6, top, kGroupWidth - kLabelWidth - 10, 13}, EditStyle::ReadOnlyCentred);
        }
    }
    AddButton(1, QString::fromUtf8("确定"), {383, 211, 66, 15});
}

bool CIntervalDetailDlg::OnInitDialog() {
    m_texts[kTitleLine] = QString::fromStdString(MasterIdTitle(m_context.session.currentMasterId));
    PutTexts(m_texts, FillIntervalDetail(m_context.session.day));
    UpdateData(false);
    return true;
}

void CIntervalDetailDlg::DoDataExchange(DataExchange& dx) { ExchangeTexts(dx, m_texts); }

}  // namespace moxtel
