#include "ui/query/CIntervalDetailDlg.h"

#include "core/query/DetailQuery.h"
#include "core/query/IntervalDetail.h"
#include "ui/stats/ResultPanel.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kIntervalDetailTemplate{138, "区间明细", 832, 230, 9};

constexpr int kTitleLine = 1001;

// Cell ids per bucket (1..11, top to bottom) and group, the groups in the order of ResultGroup:
// 流入, 流出, 流向, 流向(加未知流向), 总量, 未知流向.
constexpr std::array<std::array<int, kPanelGroups>, kBucketCount> kIntervalDetailIds = {{
    {1021, 1032, 1054, 1043, 1135, 1144},
    {1019, 1030, 1052, 1041, 1133, 1142},
    {1015, 1028, 1050, 1039, 1131, 1140},
    {1016, 1029, 1051, 1040, 1132, 1141},
    {1020, 1031, 1053, 1042, 1134, 1143},
    {1014, 1027, 1049, 1038, 1130, 1139},
    {1013, 1026, 1048, 1037, 1129, 1138},
    {1012, 1025, 1047, 1036, 1128, 1137},
    {1011, 1024, 1046, 1035, 1127, 1136},
    {1010, 1023, 1045, 1034, 1125, 1126},
    {1009, 1022, 1044, 1033, 1122, 1123},
}};
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
    const auto buckets = FillIntervalDetail(m_context.session.day);
    for (std::size_t bucket = 0; bucket < buckets.size(); ++bucket) {
        for (int group = 0; group < kPanelGroups; ++group) {
            m_texts[kIntervalDetailIds[bucket][static_cast<std::size_t>(group)]] =
                FigureText(FigureOfGroup(buckets[bucket], group));
        }
    }
    UpdateData(false);
    return true;
}

void CIntervalDetailDlg::DoDataExchange(DataExchange& dx) { ExchangeTexts(dx, m_texts); }

}  // namespace moxtel
