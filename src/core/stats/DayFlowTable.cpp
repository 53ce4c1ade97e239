#include "stats/DayFlowTable.h"

#include <algorithm>
#include <cstdio>

#include "common/TextUtil.h"
#include "data/Schema.h"
#include "stats/FlowFigure.h"
#include "stats/IntervalRules.h"
#include "stats/OrderClasses.h"

namespace moxtel {
namespace {

constexpr std::size_t kClassColumns = kOrderClassCount * 3 * 2;

// Every figure the way it is kept: "%.17g" reads back as the same double, and the REAL column
// stores the text as a number.
std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The amounts of buckets as the stored texts give them back.
FlowBuckets AsStored(const FlowBuckets& buckets) {
    FlowBuckets stored;
    for (int k = 1; k <= kBucketCount; ++k) {
        stored[k] = {ParseLeadingDouble(FormatFixed(buckets[k].lots, 0)),
                     ParseLeadingDouble(FormatFixed(buckets[k].amount, 1))};
    }
    return stored;
}

std::array<BucketSum, kOrderClassCount>& Side(OrderClassFlows& flows, std::size_t side) {
    return side == 0 ? flows.inflow : side == 1 ? flows.outflow : flows.uncertain;
}

}  // namespace

const std::string& DayFlowClassColumns() {
    static const std::string columns = [] {
        std::string text;
        for (const char* c : kDayFlowClassPrefixes) {
            for (const char* side : kDayFlowSidePrefixes) {
                text += std::string(text.empty() ? "" : ",") + c + side + "lots," + c + side + "amount";
            }
        }
        return text;
    }();
    return columns;
}

bool StoreDayFlowRow(CAdoDatabase& db, const DayFlowResult& day, const std::string& masterId,
                     const std::string& stockCode, const std::string& tradeDate) {
    DayFlowResult stored;
    stored.inflow = AsStored(day.inflow);
    stored.outflow = AsStored(day.outflow);
    stored.uncertainUp = AsStored(day.uncertainUp);
    stored.uncertainDown = AsStored(day.uncertainDown);
    const RangeFigures all = SumBucketRange(stored, 0, kBucketCount);
    SqlParams row{masterId, stockCode, tradeDate, Number(all.net.amount),
                  Number(all.netWithUncertain.amount)};
    std::string sql = "insert into dayflow(masterid,code,datet,netamount,netunamount";
    std::string values = "?,?,?,?,?";
    if (day.hasOrderClasses) {
        sql += ",convention,totalamount," + DayFlowClassColumns();
        values += ",?,?";
        row.emplace_back(ConventionName(day.orderConvention));
        row.push_back(Number(OrderClassTotalAmount(day.orderClasses)));
        OrderClassFlows flows = day.orderClasses;
        for (std::size_t c = 0; c < kOrderClassCount; ++c) {
            for (std::size_t side = 0; side < 3; ++side) {
                row.push_back(Number(Side(flows, side)[c].lots));
                row.push_back(Number(Side(flows, side)[c].amount));
                values += ",?,?";
            }
        }
    }
    return db.Execute(sql + ") values(" + values + ")", row);
}

bool DeleteDayFlowRow(CAdoDatabase& db, const std::string& id) {
    return db.Execute("delete from dayflow where masterid=?", {id});
}

std::string ExactColumns(const std::string& columns) {
    std::string text;
    std::size_t at = 0;
    while (at <= columns.size()) {
        const std::size_t end = std::min(columns.find(',', at), columns.size());
        text += std::string(text.empty() ? "" : ",") + "printf('%!.17g'," + columns.substr(at, end - at) + ")";
        at = end + 1;
    }
    return text;
}

std::optional<StoredOrderClasses> LoadStoredOrderClasses(CAdoDatabase& db, const std::string& masterId) {
    static const std::string exact = ExactColumns(DayFlowClassColumns());
    if (!db.OpenRecordset("select convention," + exact + " from dayflow where masterid=?",
                          {masterId}) ||
        db.IsEOF()) {
        return std::nullopt;
    }
    db.MoveFirst();
    const auto convention = ParseConvention(db.GetFieldText(0));
    if (!convention) return std::nullopt;
    StoredOrderClasses stored{*convention, {}};
    int column = 1;
    for (std::size_t c = 0; c < kOrderClassCount; ++c) {
        for (std::size_t side = 0; side < 3; ++side) {
            BucketSum& sum = Side(stored.flows, side)[c];
            sum.lots = ParseLeadingDouble(db.GetFieldText(column++));
            sum.amount = ParseLeadingDouble(db.GetFieldText(column++));
        }
    }
    static_assert(kClassColumns == 24);
    return stored;
}

}  // namespace moxtel
