#include "query/RankQuery.h"

#include <algorithm>
#include <array>

#include "common/TextUtil.h"
#include "data/CAdoDatabase.h"

namespace moxtel {
namespace {

constexpr std::array<std::string_view, 7> kKeyNames{"net", "netWithUncertain", "main", "super",
                                                    "large", "medium", "small"};

// One row per stock from the per-day numbers. total() sums the class columns of the class days
// (NULL elsewhere) and gives 0.0 when there are none. Sums are read as exact number texts.
constexpr const char* kRankSql =
    "select code,count(*),printf('%!.17g',total(netamount)),printf('%!.17g',total(netunamount)),"
    "count(convention),"
    "printf('%!.17g',total(largeinamount-largeoutamount+superinamount-superoutamount)),"
    "printf('%!.17g',total(superinamount-superoutamount)),"
    "printf('%!.17g',total(largeinamount-largeoutamount)),"
    "printf('%!.17g',total(mediuminamount-mediumoutamount)),"
    "printf('%!.17g',total(smallinamount-smalloutamount)),"
    "printf('%!.17g',total(totalamount)) "
    "from dayflow where datet>=? and datet<=? group by code";

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
        case RankKey::Net: return row.netAmount;
        case RankKey::NetWithUncertain: return row.netWithUncertainAmount;
        case RankKey::Main: return row.mainNetAmount;
        case RankKey::Super: return row.superNetAmount;
        case RankKey::Large: return row.largeNetAmount;
        case RankKey::Medium: return row.mediumNetAmount;
        case RankKey::Small: return row.smallNetAmount;
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
    const bool ok = db.ForEachRow(kRankSql, SqlTexts(values), [&rows](SqlTexts c) {
        RankRow row;
        row.stockCode = std::string(c[0]);
        row.days = ParseLeadingInt(c[1]);
        row.netAmount = ParseLeadingDouble(c[2]);
        row.netWithUncertainAmount = ParseLeadingDouble(c[3]);
        row.classDays = ParseLeadingInt(c[4]);
        row.mainNetAmount = ParseLeadingDouble(c[5]);
        row.superNetAmount = ParseLeadingDouble(c[6]);
        row.largeNetAmount = ParseLeadingDouble(c[7]);
        row.mediumNetAmount = ParseLeadingDouble(c[8]);
        row.smallNetAmount = ParseLeadingDouble(c[9]);
        row.totalAmount = ParseLeadingDouble(c[10]);
        if (row.classDays > 0 && row.totalAmount != 0.0) row.mainNetShare = row.mainNetAmount / row.totalAmount * 100.0;
        rows.push_back(std::move(row));
    });
    if (!ok) return Error{};
    if (rows.empty()) return Error{kMsgNoDaysInRange};
    return rows;
}

}  // namespace moxtel
