#include "core/query/WatchListChart.h"

#include <algorithm>
#include <map>

#include "core/common/TextUtil.h"
#include "core/data/CAdoDatabase.h"
#include "core/query/FlowCharts.h"
#include "core/query/HistoryQuery.h"
#include "core/stats/DayFlowTable.h"

namespace moxtel {

WatchListData LoadWatchList(const StoreContext& store, const std::vector<std::string>& codes, const std::string& from,
                            const std::string& to) {
    WatchListData data;
    // Per stock its days: date -> the day's figure.
    std::vector<std::map<std::string, double>> days(codes.size());
    std::vector<int> withoutClasses(codes.size(), 0);
    std::vector<int> inferred(codes.size(), 0);
    CAdoDatabase db(store);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::string_view values[] = {codes[i], from, to};
        db.ForEachRow(
            "select f.datet,f.classday,printf('%!.17g',f.mainnetamount),printf('%!.17g',f.netamount),"
            "i.masterid is not null from dayflow f left join dayinferred i on i.masterid=f.code||f.datet "
            "where f.code=? and f.datet>=? and f.datet<=? order by f.datet",
            SqlTexts(values), [&](SqlTexts c) {
                const bool classes = ParseLeadingInt(c[1]) == 1;
                if (!classes) ++withoutClasses[i];
                if (ParseLeadingInt(c[4]) == 1) ++inferred[i];
                days[i][std::string(c[0])] = ParseLeadingDouble(classes ? c[2] : c[3]);
            });
    }
    for (const auto& stock : days) {
        for (const auto& day : stock) data.dates.push_back(day.first);
    }
    std::sort(data.dates.begin(), data.dates.end());
    data.dates.erase(std::unique(data.dates.begin(), data.dates.end()), data.dates.end());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        WatchLine line{codes[i], {}, withoutClasses[i], inferred[i]};
        double sum = 0.0;
        for (const std::string& date : data.dates) {
            const auto it = days[i].find(date);
            if (it != days[i].end()) sum += it->second;
            line.cumulative.push_back(sum);
        }
        data.lines.push_back(std::move(line));
    }
    return data;
}

void FillWatchListChart(CMSChart& chart, const WatchListData& data) {
    chart.SetChartType(kChartType2dLine);
    chart.SetShowLegend(true);
    chart.SetTitleText("累计主力净额(万元)");
    chart.SetColumnCount(static_cast<int>(data.lines.size()));
    chart.SetRowCount(static_cast<int>(data.dates.size()));
    for (std::size_t r = 0; r < data.dates.size(); ++r) {
        chart.SetRow(static_cast<int>(r) + 1);
        chart.SetRowLabel(MonthDayLabel(InsertDateDashes(data.dates[r])));
    }
    for (std::size_t k = 0; k < data.lines.size(); ++k) {
        const int column = static_cast<int>(k) + 1;
        chart.SetColumn(column);
        const WatchLine& line = data.lines[k];
        std::string notes;
        if (line.daysWithoutClasses > 0) notes = "含" + std::to_string(line.daysWithoutClasses) + "天流向";
        if (line.inferredDays > 0) {
            notes += (notes.empty() ? "" : "，") + std::to_string(line.inferredDays) + "天" + kInferredDirectionText;
        }
        chart.SetColumnLabel(notes.empty() ? line.stockCode : line.stockCode + "(" + notes + ")");
        for (std::size_t r = 0; r < line.cumulative.size(); ++r) {
            chart.SetData(static_cast<int>(r) + 1, column, line.cumulative[r], 0);
        }
    }
}

}  // namespace moxtel
