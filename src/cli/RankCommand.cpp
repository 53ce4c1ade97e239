// moxtel-flow rank: every stored stock's flows over a date range, largest first.
#include <algorithm>
#include <charconv>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "core/common/TextUtil.h"
#include "core/query/RankQuery.h"
#include "core/query/RankViews.h"

namespace moxtel {
namespace {

Json ShareJson(const std::optional<double>& share) { return share ? Json(*share) : Json(nullptr); }

Json RankJson(const std::string& from, const std::string& to, RankKey key, const std::vector<RankRow>& rows) {
    Json list = Json::MakeArray();
    for (const RankRow& r : rows) {
        list.Push(Json::MakeObject()
                      .Add("stockCode", r.stockCode)
                      .Add("days", r.days)
                      .Add("netAmount", r.netAmount)
                      .Add("netWithUncertainAmount", r.netWithUncertainAmount)
                      .Add("classDays", r.classDays)
                      .Add("mainNetAmount", r.mainNetAmount)
                      .Add("superNetAmount", r.superNetAmount)
                      .Add("largeNetAmount", r.largeNetAmount)
                      .Add("mediumNetAmount", r.mediumNetAmount)
                      .Add("smallNetAmount", r.smallNetAmount)
                      .Add("totalAmount", r.totalAmount)
                      .Add("mainNetShare", ShareJson(r.mainNetShare)));
    }
    return Json::MakeObject()
        .Add("from", from)
        .Add("to", to)
        .Add("by", std::string(RankKeyName(key)))
        .Add("rows", std::move(list));
}

constexpr const char* kMsgSomeDaysWithoutClasses =
    "分类天数少于天数的股票，按金额分类的数字只含分类天数；其余日子保存时尚未按金额分类，重新导入后补全。";

// CSV: the same columns with exact numbers; the terminal shows the grid's texts.
std::string Exact(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::vector<std::vector<std::string>> RankTableRows(const std::vector<RankRow>& rows, bool exact) {
    std::vector<std::vector<std::string>> table;
    for (const RankRow& r : rows) {
        std::vector<std::string> texts = RankRowTexts(r);
        if (exact) {
            const double amounts[] = {r.netAmount,       r.netWithUncertainAmount, 0.0,
                                      r.mainNetAmount,   r.superNetAmount,         r.largeNetAmount,
                                      r.mediumNetAmount, r.smallNetAmount,         r.totalAmount};
            for (std::size_t i = 0; i < std::size(amounts); ++i) {
                const std::size_t column = i + 2;
                if (column != 4 && texts[column] != "—") texts[column] = Exact(amounts[i]);
            }
            if (r.mainNetShare) texts[11] = Exact(*r.mainNetShare);
        }
        table.push_back(std::move(texts));
    }
    return table;
}

}  // namespace

int RunRankCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.empty() || args.positional.size() > 2) return UsageError(ctx, "needs FROM and at most one TO");
    if (args.Has("--json") && args.Has("--csv")) return UsageError(ctx, "choose one of --json and --csv");
    const std::string& toText = args.positional.size() == 2 ? args.positional[1] : args.positional[0];
    const auto from = ParseCliDate(args.positional[0]);
    const auto to = ParseCliDate(toText);
    if (!from || !to) {
        return UsageError(ctx, (from ? toText : args.positional[0]) + " is not a date YYYYMMDD or YYYY-MM-DD");
    }
    if (*from > *to) return UsageError(ctx, "FROM " + args.positional[0] + " is after TO " + toText);
    const std::string keyText = args.HasOption("--by") ? args.Option("--by") : "net";
    const auto key = ParseRankKey(keyText);
    if (!key) {
        return UsageError(ctx, "--by",
                          "takes net, netWithUncertain, main, super, large, medium or small, not " + keyText);
    }
    std::size_t top = 0;
    if (args.HasOption("--top")) {
        const std::string text = args.Option("--top");
        const int n = ParseLeadingDigits(text);
        if (n < 1 || std::to_string(n) != text)
            return UsageError(ctx, "--top", "takes a whole number from 1, not " + text);
        top = static_cast<std::size_t>(n);
    }
    // The command line's error reporter may be called from any thread.
    auto rows = LoadRankRows(ctx.store, *from, *to, /*twoConnections=*/true);
    if (ctx.databaseFailed) return kExitFailure;
    if (!rows) return Failure(ctx, rows.error().message + " (" + *from + " - " + *to + ")");
    SortRankRows(*rows, *key, top);
    if (args.Has("--json")) {
        ctx.out << RankJson(*from, *to, *key, *rows).Dump();
    } else if (args.Has("--csv")) {
        WriteCsv(ctx.out, RankColumnCaptions(), RankTableRows(*rows, true));
    } else {
        WriteTable(ctx.out, RankColumnCaptions(), RankTableRows(*rows, false));
        const bool someWithout =
            std::any_of(rows->begin(), rows->end(), [](const RankRow& r) { return r.classDays < r.days; });
        if (someWithout) ctx.out << kMsgSomeDaysWithoutClasses << "\n";
    }
    return kExitOk;
}

}  // namespace moxtel
