#include "DayJson.h"

#include <ostream>
#include <vector>

#include "CliCommands.h"

namespace moxtel {

Json FigureTextsJson(const RangeTexts& t, const std::optional<std::string>& label, bool uncertainLast) {
    Json json = Json::MakeObject();
    if (label) json.Add("label", *label);
    json.Add("inflow", t.inflow).Add("outflow", t.outflow);
    if (!uncertainLast) json.Add("uncertain", t.uncertain);
    json.Add("net", t.net).Add("netWithUncertain", t.netWithUncertain).Add("total", t.total);
    if (uncertainLast) json.Add("uncertain", t.uncertain);
    return json;
}

Json IntervalsJson(const DayFlowResult& day, const std::array<std::string, 5>& labels) {
    Json array = Json::MakeArray();
    for (const auto& label : labels) {
        const auto [a, b] = ParseIntervalText(label);
        array.Push(FigureTextsJson(TextsOf(SumBucketRange(day, a, b)), label));
    }
    return array;
}

void WriteFiguresTable(std::ostream& out, const DayFlowResult& day, const std::array<std::string, 5>& labels) {
    // Captions of the main window's totals row; the interval rows sit under the same columns.
    const std::vector<std::string> header = {"区间", "流入", "流出", "流向", "流向(含未知流向)", "总量", "未知流向"};
    std::vector<std::vector<std::string>> rows;
    auto addRow = [&rows](const std::string& label, const RangeFigures& r) {
        rows.push_back({label, r.inflow.Text(), r.outflow.Text(), r.net.Text(), r.netWithUncertain.Text(),
                        r.total.Text(), r.uncertain.Text()});
    };
    addRow("汇总", SumBucketRange(day, 0, kBucketCount));
    for (const auto& label : labels) {
        const auto [a, b] = ParseIntervalText(label);
        addRow(label, SumBucketRange(day, a, b));
    }
    WriteTable(out, header, rows);
}

}  // namespace moxtel
