#include "core/query/QueryViews.h"

#include "core/data/CAdoDatabase.h"
#include "core/query/DetailQuery.h"
#include "core/query/HistoryQuery.h"
#include "core/query/IntervalDetail.h"
#include "core/templates/TemplateStore.h"

namespace moxtel {
namespace {

// "2000-01-01" -> "20000101"; any other text unchanged.
std::string StoredDateText(const std::string& text) {
    if (text.size() == 10 && text[4] == '-' && text[7] == '-')
        return text.substr(0, 4) + text.substr(5, 2) + text.substr(8);
    return text;
}

FigureView ViewOf(const RangeFigures& figures) { return {figures, TextsOf(figures)}; }

}  // namespace

RangeTexts TextsOf(const RangeFigures& f) {
    return {f.inflow.Text(), f.outflow.Text(),          f.uncertain.Text(),
            f.net.Text(),    f.netWithUncertain.Text(), f.total.Text()};
}

Result<HistoryView> LoadHistoryView(const StoreContext& store, const std::string& code, const std::string& from,
                                    const std::string& to, const std::string& templateName) {
    if (code.empty()) return Error{kMsgChooseStock};
    if (from.empty() || to.empty()) return Error{kMsgChoosePeriod};
    SessionState session;
    CMSFlexGrid grid(1, kHistoryGridCols);
    HistoryView view;
    view.templateFound = ApplyTemplateHeaders(store, session.history, grid, templateName);
    session.history.stockCode = code;
    session.history.startDate = StoredDateText(from);
    session.history.endDate = StoredDateText(to);
    const int n = LoadHistoryRows(store, session, grid);
    // Every column but the hidden master id.
    std::vector<int> shown;
    for (int c = 0; c < kHistoryGridCols; ++c) {
        if (c != kHistoryMasterIdCol) shown.push_back(c);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) view.headers[i] = grid.TextAt(0, shown[i]);
    for (int r = 1; r <= n; ++r) {
        HistoryRowView row;
        const std::string dateCell = grid.TextAt(r, 0);
        row.date = DateOfDateCell(dateCell, row.inferredDirection);
        row.masterId = MasterIdOfGridRow(grid, r);
        for (std::size_t i = 1; i < shown.size(); ++i) {
            row.cells[i - 1] = grid.TextAt(r, shown[i]);
            row.colors[i - 1] = grid.CellForeColorAt(r, shown[i]);
        }
        view.rows.push_back(std::move(row));
    }
    return view;
}

DayView LoadDayView(const StoreContext& store, const std::string& masterId, const std::string& templateName) {
    DayView view;
    view.masterId = masterId;
    view.title = MasterIdTitle(masterId);
    DayFlowResult day;
    view.stored = LoadStoredDay(store, day, masterId);
    view.totals = ViewOf(SumBucketRange(day, 0, kBucketCount));

    std::array<std::string, 5> texts;
    for (std::size_t n = 0; n < texts.size(); ++n) texts[n] = std::string(kDefaultIntervalTexts[n]);
    if (!templateName.empty()) {
        if (auto values = LoadTemplateValues(store, templateName))
            texts = *values;
        else
            view.templateFound = false;
    }
    for (std::size_t n = 0; n < texts.size(); ++n) {
        const auto [a, b] = ParseIntervalText(texts[n]);
        view.intervals[n] = {texts[n], ViewOf(SumBucketRange(day, a, b))};
    }
    const std::array<RangeFigures, kBucketCount> buckets = FillIntervalDetail(day);  // as the window shows them
    for (std::size_t i = 0; i < buckets.size(); ++i) view.buckets[i] = {std::string(kBucketLabels[i]), ViewOf(buckets[i])};
    view.uncertainTrades = LoadUncertainDetail(store, masterId);
    CAdoDatabase db(store);
    view.orderClasses = LoadStoredOrderClasses(db, masterId);
    view.inferredDirection = day.inferredDirection;
    return view;
}

}  // namespace moxtel
