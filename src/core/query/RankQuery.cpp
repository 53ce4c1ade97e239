#include "core/query/RankQuery.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <iterator>
#include <thread>

#include "core/common/TextUtil.h"
#include "core/data/CAdoDatabase.h"
#include "core/data/ColumnSums.h"

namespace moxtel {
namespace {

constexpr std::array<std::string_view, 7> kKeyNames{"net",   "netWithUncertain", "main", "super",
                                                    "large", "medium",           "small"};

// One row per stock from the per-day numbers: its days and the sums of its figures in one
// aggregate (ten total() calls cost a quarter more CPU over a year of a market). The class columns are
// NULL on days without classes, which the sums skip (0 when none is left).
constexpr const char* kRankColumns =
    "select code,sums(netamount,netunamount,classday,mainnetamount,supernetamount,largenetamount,mediumnetamount,"
    "smallnetamount,totalamount) from dayflow where ";
// A few dates are found through the date index; a longer range reads the table in stock order,
// which sums each stock's days without sorting them (for a year of 5,000 stocks, 0.7 s against 7 s).
constexpr const char* kShortRange = "datet>=? and datet<=? group by code";
constexpr const char* kLongRange = "+datet>=? and +datet<=? group by code";
constexpr int kShortRangeDays = 31;

// Calendar days from one yyyymmdd to another; a text that is no date counts as a long range.
int DaysBetween(const std::string& from, const std::string& to) {
    auto day = [](const std::string& text) -> std::optional<std::chrono::sys_days> {
        if (text.size() != 8) return std::nullopt;
        const std::chrono::year_month_day date{
            std::chrono::year(ParseLeadingInt(text.substr(0, 4))),
            std::chrono::month(static_cast<unsigned>(ParseLeadingInt(text.substr(4, 2)))),
            std::chrono::day(static_cast<unsigned>(ParseLeadingInt(text.substr(6, 2))))};
        if (!date.ok()) return std::nullopt;
        return std::chrono::sys_days(date);
    };
    const auto a = day(from);
    const auto b = day(to);
    return a && b ? static_cast<int>((*b - *a).count()) : kShortRangeDays + 1;
}

// The sums add the days' figures as doubles, which leaves noise in the last digits
// (-2109.600000000006 for days of -2109.5 and -0.1). Every day's figure is a whole number of
// some unit, and so is the sum: rounding to that unit gives the exact sum back. The net flows
// are sums of stored bucket amounts of 0.1万元; the class figures are kept unrounded, in the
// 1/10000 yuan the trades are classified in (1e-8万元).
constexpr double kBucketUnitsPerWan = 10.0;
constexpr double kClassUnitsPerWan = 1e8;

double InUnits(double sum, double unitsPerWan) { return std::round(sum * unitsPerWan) / unitsPerWan; }

}  // namespace

std::string_view RankKeyName(RankKey key) { return kKeyNames[static_cast<std::size_t>(key)]; }

std::optional<RankKey> ParseRankKey(std::string_view name) {
    for (std::size_t i = 0; i < kKeyNames.size(); ++i) {
        if (kKeyNames[i] == name) return static_cast<RankKey>(i);
    }
    return std::nullopt;
}

double RankValue(const RankRow& row, RankKey key) {
    switch (key) {
        case RankKey::Net:
            return row.netAmount;
        case RankKey::NetWithUncertain:
            return row.netWithUncertainAmount;
        case RankKey::Main:
            return row.mainNetAmount;
        case RankKey::Super:
            return row.superNetAmount;
        case RankKey::Large:
            return row.largeNetAmount;
        case RankKey::Medium:
            return row.mediumNetAmount;
        case RankKey::Small:
            return row.smallNetAmount;
    }
    return 0.0;
}

void SortRankRows(std::vector<RankRow>& rows, RankKey key, std::size_t top) {
    std::stable_sort(rows.begin(), rows.end(), [key](const RankRow& a, const RankRow& b) {
        const double x = RankValue(a, key);
        const double y = RankValue(b, key);
        return x != y ? x > y : a.stockCode < b.stockCode;
    });
    if (top > 0 && rows.size() > top) rows.resize(top);
}

namespace {

std::optional<RankRow> RowOf(SqlTexts c) {
    const std::vector<double> sums = ParseColumnSums(c[1]);
    if (sums.size() != 10) return std::nullopt;
    RankRow row;
    row.stockCode = std::string(c[0]);
    row.days = static_cast<int>(sums[0]);
    row.netAmount = InUnits(sums[1], kBucketUnitsPerWan);
    row.netWithUncertainAmount = InUnits(sums[2], kBucketUnitsPerWan);
    row.classDays = static_cast<int>(sums[3]);
    row.mainNetAmount = InUnits(sums[4], kClassUnitsPerWan);
    row.superNetAmount = InUnits(sums[5], kClassUnitsPerWan);
    row.largeNetAmount = InUnits(sums[6], kClassUnitsPerWan);
    row.mediumNetAmount = InUnits(sums[7], kClassUnitsPerWan);
    row.smallNetAmount = InUnits(sums[8], kClassUnitsPerWan);
    row.totalAmount = InUnits(sums[9], kClassUnitsPerWan);
    if (row.classDays > 0 && row.totalAmount != 0.0) row.mainNetShare = row.mainNetAmount / row.totalAmount * 100.0;
    return row;
}

// The rows of the stocks whose codes lie in [low, high) ("" leaves that end open), in code order,
// through db.
bool LoadStocks(CAdoDatabase& db, const std::string& from, const std::string& to, bool longRange,
                const std::string& low, const std::string& high, std::vector<RankRow>& rows) {
    std::vector<std::string_view> values;
    std::string sql = kRankColumns;
    if (!low.empty()) sql += "code>=? and ", values.emplace_back(low);
    if (!high.empty()) sql += "code<? and ", values.emplace_back(high);
    values.insert(values.end(), {from, to});
    sql += longRange ? kLongRange : kShortRange;
    return db.ForEachRow(sql, SqlTexts(values), [&rows](SqlTexts c) {
        if (std::optional<RankRow> row = RowOf(c)) rows.push_back(std::move(*row));
    });
}

// A code that splits the stocks of a long range in two halves, taken from the stocks stored on the
// range's first stored date (one read of the date index); "" when there are too few to split.
std::string MiddleCode(const StoreContext& store, const std::string& from, const std::string& to) {
    CAdoDatabase db(store);
    const std::string_view values[] = {from, to};
    std::vector<std::string> codes;
    db.ForEachRow("select code from dayflow where datet=(select min(datet) from dayflow where datet>=? and datet<=?) "
                  "order by code",
                  SqlTexts(values), [&codes](SqlTexts c) { codes.emplace_back(c[0]); });
    return codes.size() < 2 ? std::string() : codes[codes.size() / 2];
}

// The connection's count of changes committed by others, as of its current read (its snapshot
// inside a transaction); "" when the database failed.
std::string DataVersion(CAdoDatabase& db) {
    return db.OpenRecordset("PRAGMA data_version") && !db.IsEOF() ? db.GetFieldText(0) : std::string();
}

constexpr int kSnapshotAttempts = 3;

// The two halves split at middle, each on its own connection and thread, read from one committed
// state: both connections hold a read snapshot before either half is read, and the second
// connection's count of commits is the same before the first snapshot and in its own, so no import
// committed in between (else one half could hold a day the other lacks). When imports keep
// committing, the whole range is read on one connection.
bool LoadHalves(const StoreContext& store, const std::string& from, const std::string& to, bool longRange,
                const std::string& middle, std::vector<RankRow>& rows, const std::function<void()>& betweenSnapshots) {
    for (int attempt = 0; attempt < kSnapshotAttempts; ++attempt) {
        CAdoDatabase lower(store, CAdoDatabase::OpenMode::ReadOnly);
        CAdoDatabase upper(store, CAdoDatabase::OpenMode::ReadOnly);
        const std::string before = DataVersion(upper);
        if (before.empty() || !lower.BeginTransaction() || DataVersion(lower).empty()) return false;
        if (betweenSnapshots) betweenSnapshots();
        if (!upper.BeginTransaction()) return false;
        const std::string after = DataVersion(upper);
        if (after.empty()) return false;
        if (after != before) continue;
        std::vector<RankRow> upperRows;
        bool upperOk = true;
        std::thread second([&] { upperOk = LoadStocks(upper, from, to, longRange, middle, {}, upperRows); });
        const bool lowerOk = LoadStocks(lower, from, to, longRange, {}, middle, rows);
        second.join();
        rows.insert(rows.end(), std::make_move_iterator(upperRows.begin()), std::make_move_iterator(upperRows.end()));
        return lowerOk && upperOk;
    }
    CAdoDatabase db(store);
    return LoadStocks(db, from, to, longRange, {}, {}, rows);
}

}  // namespace

Result<std::vector<RankRow>> LoadRankRows(const StoreContext& store, const std::string& from, const std::string& to,
                                          bool twoConnections, const std::function<void()>& betweenSnapshots) {
    const bool longRange = DaysBetween(from, to) > kShortRangeDays;
    const std::string middle = twoConnections && longRange ? MiddleCode(store, from, to) : std::string();
    std::vector<RankRow> rows;
    bool ok = true;
    if (middle.empty()) {
        CAdoDatabase db(store);
        ok = LoadStocks(db, from, to, longRange, {}, {}, rows);
    } else {
        ok = LoadHalves(store, from, to, longRange, middle, rows, betweenSnapshots);
    }
    if (!ok) return Error::Reported();
    if (rows.empty()) return Error{kMsgNoDaysInRange};
    return rows;
}

}  // namespace moxtel
