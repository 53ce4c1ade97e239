#include "query/RankQuery.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "common/TextUtil.h"
#include "data/CAdoDatabase.h"

namespace moxtel {
namespace {

constexpr std::array<std::string_view, 7> kKeyNames{"net",   "netWithUncertain", "main", "super",
                                                    "large", "medium",           "small"};

// One row per stock from the per-day numbers; the class columns are NULL on days without classes,
// which total() skips (0.0 when none is left). Sums are read as exact number texts.
constexpr const char* kRankColumns =
    "select code,count(*),printf('%!.17g',total(netamount)),printf('%!.17g',total(netunamount)),"
    "total(classday),printf('%!.17g',total(mainnetamount)),printf('%!.17g',total(supernetamount)),"
    "printf('%!.17g',total(largenetamount)),printf('%!.17g',total(mediumnetamount)),"
    "printf('%!.17g',total(smallnetamount)),printf('%!.17g',total(totalamount)) from dayflow ";
// A few dates are found through the date index; a longer range reads the table in stock order,
// which sums each stock's days without sorting them (for a year of 5,000 stocks, 0.7 s against 7 s).
constexpr const char* kShortRange = "where datet>=? and datet<=? group by code";
constexpr const char* kLongRange = "where +datet>=? and +datet<=? group by code";
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

Result<std::vector<RankRow>> LoadRankRows(const std::string& from, const std::string& to) {
    std::vector<RankRow> rows;
    CAdoDatabase db;
    const std::string_view values[] = {from, to};
    const std::string sql =
        std::string(kRankColumns) + (DaysBetween(from, to) <= kShortRangeDays ? kShortRange : kLongRange);
    const bool ok = db.ForEachRow(sql, SqlTexts(values), [&rows](SqlTexts c) {
        RankRow row;
        row.stockCode = std::string(c[0]);
        row.days = ParseLeadingInt(c[1]);
        row.netAmount = ParseLeadingDouble(c[2]);
        row.netWithUncertainAmount = ParseLeadingDouble(c[3]);
        row.classDays = static_cast<int>(ParseLeadingDouble(c[4]));
        row.mainNetAmount = ParseLeadingDouble(c[5]);
        row.superNetAmount = ParseLeadingDouble(c[6]);
        row.largeNetAmount = ParseLeadingDouble(c[7]);
        row.mediumNetAmount = ParseLeadingDouble(c[8]);
        row.smallNetAmount = ParseLeadingDouble(c[9]);
        row.totalAmount = ParseLeadingDouble(c[10]);
        if (row.classDays > 0 && row.totalAmount != 0.0) row.mainNetShare = row.mainNetAmount / row.totalAmount * 100.0;
        rows.push_back(std::move(row));
    });
    if (!ok) return Error::Reported();
    if (rows.empty()) return Error{kMsgNoDaysInRange};
    return rows;
}

}  // namespace moxtel
