#include "core/query/DetailQuery.h"

#include "core/common/TextUtil.h"
#include "core/data/CAdoDatabase.h"
#include "core/query/FlowCharts.h"
#include "core/query/HistoryQuery.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {
namespace {

constexpr const char* kSelectBuckets =
    "select one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,fivep,sixp,sevenp,"
    "eightp,ninep,tenp,morep ";

struct BucketTable {
    const char* clause;
    FlowBuckets DayFlowResult::*buckets;
};

constexpr std::array<BucketTable, 4> kBucketTables = {{
    {"from transin where masterid=?", &DayFlowResult::inflow},
    {"from transout where masterid=?", &DayFlowResult::outflow},
    {"from transinun where masterid=?", &DayFlowResult::uncertainUp},
    {"from transoutun where masterid=?", &DayFlowResult::uncertainDown},
}};

// Reads every row of the open recordset into buckets (a later row overwrites); true when there was one.
bool ReadBucketRows(CAdoDatabase& db, FlowBuckets& buckets) {
    if (db.IsEOF()) return false;
    db.MoveFirst();
    while (!db.IsEOF()) {
        for (int i = 1; i <= kBucketCount; ++i) {
            buckets[i].lots = ParseLeadingDouble(db.GetFieldText(i - 1));
            buckets[i].amount = ParseLeadingDouble(db.GetFieldText(i + 10));
        }
        db.MoveNext();
    }
    return true;
}

// Adds the day's stored uncertain trades to the uncertain buckets by their lots. The amount is
// lots × price / 100 in that order (product first), which can differ in the last bit from the
// statistics run's lots × (price / 100) and so show another last decimal at a rounding edge.
void ReadUncertainTrades(CAdoDatabase& db, FlowBuckets& uncertain) {
    if (db.IsEOF()) return;
    db.MoveFirst();
    while (!db.IsEOF()) {
        const double lots = ParseLeadingDouble(db.GetFieldText(0));
        const double price = ParseLeadingDouble(db.GetFieldText(1));
        BucketSum& bucket = uncertain[bucketOf(lots)];
        bucket.lots += lots;
        bucket.amount += lots * price / 100;
        db.MoveNext();
    }
}

}  // namespace

std::string MasterIdTitle(const std::string& masterId) {
    if (masterId.empty()) return {};
    // The date follows the first ")" directly; without one it is taken from the start.
    const std::size_t paren = masterId.find(')');
    const std::size_t start = paren == std::string::npos ? 0 : paren + 1;
    return masterId.substr(0, start) + InsertDateDashes(std::string_view(masterId).substr(start));
}

bool LoadStoredDay(const StoreContext& store, DayFlowResult& day, const std::string& masterId) {
    day.ClearBuckets();
    CAdoDatabase db(store);
    bool found = false;
    for (const BucketTable& table : kBucketTables) {
        db.OpenRecordset(std::string(kSelectBuckets) + table.clause, {masterId});
        found = ReadBucketRows(db, day.*table.buckets) || found;
    }
    db.OpenRecordset("select transunknow,price from transun where masterid=?", {masterId});
    ReadUncertainTrades(db, day.uncertain);
    if (const auto classes = LoadStoredOrderClasses(db, masterId)) {
        day.hasOrderClasses = true;
        day.orderConvention = classes->convention;
        day.orderClasses = classes->flows;
    }
    day.inferredDirection = LoadInferredDirection(db, masterId);
    db.Close();
    return found;
}

void FillDaySummary(DetailPanelFigures& panel, const DayFlowResult& day) {
    panel.total = SumBucketRange(day, 0, kBucketCount);
}

void FillDayIntervals(DetailPanelFigures& panel, const DayFlowResult& day,
                      const std::array<std::string, 5>& intervalTexts) {
    panel.intervalTexts = intervalTexts;
    for (std::size_t index = 0; index < intervalTexts.size(); ++index) {
        const auto [a, b] = ParseIntervalText(intervalTexts[index]);
        panel.intervals[index] = SumBucketRange(day, a, b);
        panel.intervalInPlusUp[index] = day.inflow.Sum(a + 1, b).lots + day.uncertainUp.Sum(a + 1, b).lots;
        panel.intervalOutPlusDown[index] = day.outflow.Sum(a + 1, b).lots + day.uncertainDown.Sum(a + 1, b).lots;
    }
}

DetailPanelFigures LoadDetailDay(const StoreContext& store, SessionState& session, CMSChart& chart) {
    DetailPanelFigures panel;
    panel.title = MasterIdTitle(session.currentMasterId);
    LoadStoredDay(store, session.day, session.currentMasterId);
    if (session.day.inferredDirection) panel.title += std::string("  (") + kInferredDirectionText + ")";
    FillDaySummary(panel, session.day);
    FillDayIntervals(panel, session.day, session.history.intervalTexts);
    SetupDayChart(chart, panel);
    FillDayChart(chart, panel);
    return panel;
}

}  // namespace moxtel
