#include "core/stats/DayFlowTable.h"

#include <algorithm>
#include <cstdio>

#include "core/common/TextUtil.h"
#include "core/data/Schema.h"
#include "core/stats/FlowFigure.h"
#include "core/stats/IntervalRules.h"
#include "core/stats/OrderClasses.h"

namespace moxtel {
namespace {

constexpr std::size_t kDateLength = 8;

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

// dayflow's row: net flows, then classday and the class nets (NULL without classes).
SqlParams FlowRow(const DayFlowResult& day, const std::string& stockCode, const std::string& tradeDate) {
    DayFlowResult stored;
    stored.inflow = AsStored(day.inflow);
    stored.outflow = AsStored(day.outflow);
    stored.uncertainUp = AsStored(day.uncertainUp);
    stored.uncertainDown = AsStored(day.uncertainDown);
    const RangeFigures all = SumBucketRange(stored, 0, kBucketCount);
    SqlParams row{stockCode, tradeDate, Number(all.net.amount), Number(all.netWithUncertain.amount),
                  day.hasOrderClasses ? "1" : "0"};
    if (day.hasOrderClasses) {
        const auto rows = OrderClassRows(day.orderClasses);
        row.push_back(Number(OrderClassTotalAmount(day.orderClasses)));
        row.push_back(Number(rows[kOrderClassCount].net.amount));
        for (const std::size_t c : {kSuperOrder, kLargeOrder, kMediumOrder, kSmallOrder}) {
            row.push_back(Number(rows[c].net.amount));
        }
    }
    return row;
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
    const bool stored =
        day.hasOrderClasses
            ? db.Execute(
                  "insert or replace into dayflow(code,datet,netamount,netunamount,classday,totalamount,"
                  "mainnetamount,supernetamount,largenetamount,mediumnetamount,smallnetamount)"
                  " values(?,?,?,?,?,?,?,?,?,?,?)",
                  FlowRow(day, stockCode, tradeDate))
            : db.Execute(
                  "insert or replace into dayflow(code,datet,netamount,netunamount,classday) "
                  "values(?,?,?,?,?)",
                  FlowRow(day, stockCode, tradeDate));
    if (stored && day.inferredDirection &&
        !db.Execute("insert or replace into dayinferred(masterid,method) values(?,?)", {masterId, kTickRule})) {
        return false;
    }
    if (!stored || !day.hasOrderClasses) return stored;
    SqlParams row{masterId, std::string(ConventionName(day.orderConvention))};
    std::string values = "?,?";
    OrderClassFlows flows = day.orderClasses;
    for (std::size_t c = 0; c < kOrderClassCount; ++c) {
        for (std::size_t side = 0; side < 3; ++side) {
            row.push_back(Number(Side(flows, side)[c].lots));
            row.push_back(Number(Side(flows, side)[c].amount));
            values += ",?,?";
        }
    }
    return db.Execute(
        "insert or replace into dayclass(masterid,convention," + DayFlowClassColumns() + ") values(" + values + ")",
        row);
}

// A day's id is its stock code followed by its 8-digit date.
bool DeleteDayFlowRow(CAdoDatabase& db, const std::string& id) {
    bool ok = db.Execute("delete from dayclass where masterid=?", {id});
    ok = db.Execute("delete from dayinferred where masterid=?", {id}) && ok;
    if (id.size() > kDateLength) {
        const std::size_t split = id.size() - kDateLength;
        ok = db.Execute("delete from dayflow where code=? and datet=?", {id.substr(0, split), id.substr(split)}) && ok;
    }
    return ok;
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

bool LoadInferredDirection(CAdoDatabase& db, const std::string& masterId) {
    return db.OpenRecordset("select method from dayinferred where masterid=?", {masterId}) && !db.IsEOF();
}

std::optional<StoredOrderClasses> LoadStoredOrderClasses(CAdoDatabase& db, const std::string& masterId) {
    static const std::string exact = ExactColumns(DayFlowClassColumns());
    if (!db.OpenRecordset("select convention," + exact + " from dayclass where masterid=?", {masterId}) || db.IsEOF()) {
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
    return stored;
}

}  // namespace moxtel
