#include "ui/stats/ResultPanel.h"

#include "core/stats/FlowBuckets.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/DataExchange.h"
#include "ui/stats/ResultPanelIds.h"

namespace moxtel {

namespace {

constexpr std::array<const char*, kPanelGroups> kTotalCaptions{"流入", "流出",    "流向", "流向(含未知流向)",
                                                               "总量", "未知流向"};

// The id tables per group and intervals 1 to 5 from the top.
constexpr const auto& kTotalEdits = kTotalIds;
constexpr const auto& kLabelEdits = kIntervalLabelIds;
constexpr const auto& kValueEdits = kIntervalValueIds;

constexpr auto Index(int i) { return static_cast<std::size_t>(i); }

}  // namespace

const FlowFigure& FigureOfGroup(const RangeFigures& figures, int group) {
    switch (group) {
        case kGroupInflow:
            return figures.inflow;
        case kGroupOutflow:
            return figures.outflow;
        case kGroupNet:
            return figures.net;
        case kGroupNetWithUncertain:
            return figures.netWithUncertain;
        case kGroupTotal:
            return figures.total;
        default:
            return figures.uncertain;
    }
}

QString FigureText(const FlowFigure& figure) { return QString::fromStdString(figure.Text()); }

ResultPanel::ResultPanel() { SetDefaultIntervalLabels(); }

void ResultPanel::BuildTotalsRow(CDialogBase& window, int x, int y, int width) const {
    // Captions above their edits leave the edits room for the day's large figures.
    constexpr int kGap = 6;
    const int editWidth = (width - kGap * (kPanelGroups - 1)) / kPanelGroups;
    for (int group = 0; group < kPanelGroups; ++group) {
        const int left = x + group * (editWidth + kGap);
        window.AddStatic(QString::fromUtf8(kTotalCaptions[Index(group)]), {left, y, editWidth, 10}, Qt::AlignCenter);
        window.AddEdit(kTotalEdits[Index(group)], {left, y + 11, editWidth, 14}, EditStyle::ReadOnlyCentred);
    }
}

void ResultPanel::BuildIntervalGroups(CDialogBase& window, int x, int y, int width, int height,
                                      const PanelGroupCaptions& captions) const {
    constexpr int kGap = 2;
    constexpr int kLabelWidth = 46;
    const int groupWidth = (width - kGap * (kPanelGroups - 1)) / kPanelGroups;
    const int rowStep = (height - 18) / kPanelIntervals;
    for (int group = 0; group < kPanelGroups; ++group) {
        const int left = x + group * (groupWidth + kGap);
        window.AddGroup(QString::fromUtf8(captions[Index(group)]), {left, y, groupWidth, height});
        for (int n = 0; n < kPanelIntervals; ++n) {
            const int top = y + 12 + n * rowStep;
            window.AddEdit(kLabelEdits[Index(group)][Index(n)], {left + 3, top, kLabelWidth, 14}, EditStyle::Label);
            window.AddEdit(kValueEdits[Index(group)][Index(n)],
                           {left + 4 + kLabelWidth, top, groupWidth - kLabelWidth - 7, 14}, EditStyle::ReadOnlyCentred);
        }
    }
}

void ResultPanel::Exchange(const DataExchange& dx) {
    for (int group = 0; group < kPanelGroups; ++group) {
        dx.Text(kTotalEdits[Index(group)], m_totals[Index(group)]);
        for (int n = 0; n < kPanelIntervals; ++n) {
            dx.Text(kLabelEdits[Index(group)][Index(n)], m_labels[Index(group)][Index(n)]);
            dx.Text(kValueEdits[Index(group)][Index(n)], m_values[Index(group)][Index(n)]);
        }
    }
}

void ResultPanel::ShowDayTotals(const DayFlowResult& day) { ShowTotals(SumBucketRange(day, 0, kBucketCount)); }

void ResultPanel::ShowTotals(const RangeFigures& total) {
    for (int group = 0; group < kPanelGroups; ++group) m_totals[Index(group)] = FigureText(FigureOfGroup(total, group));
}

void ResultPanel::SetIntervalLabels(const std::array<QString, kPanelIntervals>& texts) {
    for (auto& labels : m_labels) labels = texts;
}

void ResultPanel::SetDefaultIntervalLabels() {
    std::array<QString, kPanelIntervals> texts;
    for (int n = 0; n < kPanelIntervals; ++n) {
        const std::string_view text = kDefaultIntervalTexts[Index(n)];
        texts[Index(n)] = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    SetIntervalLabels(texts);
}

void ResultPanel::ComputeIntervalSums(const DayFlowResult& day) {
    std::array<RangeFigures, kPanelIntervals> intervals;
    for (int n = 0; n < kPanelIntervals; ++n) {
        const auto [a, b] = ParseIntervalText(m_labels[Index(kGroupInflow)][Index(n)].toStdString());
        intervals[Index(n)] = SumBucketRange(day, a, b);
    }
    ShowIntervals(intervals);
}

void ResultPanel::ShowIntervals(const std::array<RangeFigures, kPanelIntervals>& intervals) {
    for (int n = 0; n < kPanelIntervals; ++n) {
        for (int group = 0; group < kPanelGroups; ++group) {
            m_values[Index(group)][Index(n)] = FigureText(FigureOfGroup(intervals[Index(n)], group));
        }
    }
}

const QString& ResultPanel::Label(int group, int interval) const { return m_labels[Index(group)][Index(interval)]; }

const QString& ResultPanel::Value(int group, int interval) const { return m_values[Index(group)][Index(interval)]; }

}  // namespace moxtel
