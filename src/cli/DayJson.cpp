#include "cli/DayJson.h"

#include <ostream>
#include <vector>

#include "cli/CliCommands.h"

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

Json UncertainTradeJson(const UncertainTradeView& t) {
    return Json::MakeObject()
        .Add("pricebefor", std::string(t.pricebefor))
        .Add("priceend", std::string(t.priceend))
        .Add("transbef", std::string(t.transbef))
        .Add("transend", std::string(t.transend))
        .Add("flagbef", std::string(t.flagbef))
        .Add("flagend", std::string(t.flagend))
        .Add("masterid", std::string(t.masterid))
        .Add("gpcode", std::string(t.gpcode))
        .Add("transunknow", std::string(t.transunknow))
        .Add("price", std::string(t.price))
        .Add("datet", std::string(t.datet))
        .Add("before", SignedNeighbourLots(t.flagbef, t.transbef))
        .Add("after", SignedNeighbourLots(t.flagend, t.transend));
}

UncertainTradeView StoredTradeOf(const UncertainDetailRow& row, const std::string& masterId) {
    UncertainTradeView t;
    t.pricebefor = row.beforePrice;
    t.priceend = row.afterPrice;
    t.transbef = row.lotsBefore;
    t.transend = row.lotsAfter;
    t.flagbef = row.flagBefore;
    t.flagend = row.flagAfter;
    t.masterid = masterId;
    t.gpcode = row.stockCode;
    t.transunknow = row.lots;
    t.price = row.price;
    t.datet = row.time;
    return t;
}

std::vector<std::string> FiguresRow(const std::string& label, const RangeTexts& t) {
    return {label, t.inflow, t.outflow, t.net, t.netWithUncertain, t.total, t.uncertain};
}

void WriteFiguresTable(std::ostream& out, const DayFlowResult& day, const std::array<std::string, 5>& labels) {
    std::vector<std::vector<std::string>> rows{FiguresRow("汇总", TextsOf(SumBucketRange(day, 0, kBucketCount)))};
    for (const auto& label : labels) {
        const auto [a, b] = ParseIntervalText(label);
        rows.push_back(FiguresRow(label, TextsOf(SumBucketRange(day, a, b))));
    }
    WriteTable(out, kFiguresHeader, rows);
}

}  // namespace moxtel
