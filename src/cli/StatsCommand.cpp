// moxtel-flow stats: the statistics run without a window.
#include <array>
#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/DayJson.h"
#include "cli/Json.h"
#include "cli/OrderClassOutput.h"
#include "core/data/CAdoDatabase.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/IntervalRules.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "core/stats/StoredDays.h"
#include "core/templates/TemplateStore.h"

namespace moxtel {
namespace {

Json BucketsJson(const FlowBuckets& buckets) {
    Json array = Json::MakeArray();
    for (int k = 1; k <= kBucketCount; ++k) {
        array.Push(Json::MakeObject().Add("lots", buckets[k].lots).Add("amount", buckets[k].amount));
    }
    return array;
}

Json StatsJson(const StatisticsOutcome& run, const std::array<std::string, 5>& labels) {
    const DayFlowResult& day = run.day;
    // Made as they are written: a day of a million trades is not held as a document.
    const UncertainTrades& list = run.uncertainTrades;
    Json trades(Json::Generated{list.size(), [&list](std::size_t i) { return UncertainTradeJson(list.View(i)); }});
    return Json::MakeObject()
        .Add("title", day.titleText)
        .Add("tradeDate", day.tradeDate)
        .Add("stockCode", day.stockCode)
        .Add("masterId", day.masterId)
        .Add("yesId", day.yesId)
        .Add("previousClose", day.previousClose)
        .Add("turnover", day.turnoverText)
        .Add("firstPrice", day.firstPriceText)
        .Add("lastPrice", day.lastPriceText)
        .Add("inferredDirection", day.inferredDirection)
        .Add("buckets", Json::MakeObject()
                            .Add("inflow", BucketsJson(day.inflow))
                            .Add("outflow", BucketsJson(day.outflow))
                            .Add("uncertain", BucketsJson(day.uncertain))
                            .Add("uncertainUp", BucketsJson(day.uncertainUp))
                            .Add("uncertainDown", BucketsJson(day.uncertainDown)))
        .Add("totals", FigureTextsJson(TextsOf(SumBucketRange(day, 0, kBucketCount))))
        .Add("intervals", IntervalsJson(day, labels))
        .Add("orderClasses", OrderClassesJson(StoredOrderClasses{day.orderConvention, day.orderClasses}))
        .Add("uncertainTrades", std::move(trades));
}

}  // namespace

constexpr std::uintmax_t kStoreWhileReadingFrom = 1u << 20;

int RunStatsCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.size() != 1) return UsageError(ctx, "needs one WORKBOOK");
    for (const char* option : {"--previous-close", "--turnover"}) {
        std::string number = args.Option(option);
        // The turnover is stored as typed and never read back as a figure: "1.8%" is as good as "1.8".
        if (option == std::string_view("--turnover") && number.ends_with('%')) number.pop_back();
        if (args.HasOption(option) && !args.Option(option).empty() && !IsPlainNumber(number)) {
            return UsageError(ctx, option, "takes a number such as 10.25, not " + args.Option(option));
        }
    }
    // The day of a header table follows the command line's own date rules; the run takes 8 digits.
    std::string tradeDate;
    if (args.HasOption("--date")) {
        const auto date = ParseCliDate(args.Option("--date"));
        if (!date) return UsageError(ctx, "--date", args.Option("--date") + " is not a date YYYYMMDD or YYYY-MM-DD");
        tradeDate = *date;
    }
    DirectionCodes codes;
    if (int status = 0; !DirectionCodesOption(args, ctx, codes, status)) return status;
    bool inferDirection = false;
    if (int status = 0; !InferDirectionOption(args, ctx, inferDirection, status)) return status;
    OrderClassConvention convention{};
    if (const int status = ReadConventionOption(args, ctx, convention); status != kExitOk) return status;
    std::array<std::string, 5> labels;
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = std::string(kDefaultIntervalTexts[i]);
    if (args.HasOption("--template")) {
        // Without storing, a missing database stays missing: it has no templates anyway.
        const bool noDatabase = args.Has("--no-store") && !std::filesystem::exists(ctx.store.DatabaseFile());
        const auto values = noDatabase ? std::nullopt : LoadTemplateValues(ctx.store, args.Option("--template"));
        if (ctx.databaseFailed) return kExitFailure;
        if (!values) return Failure(ctx, "no template named " + args.Option("--template"));
        labels = *values;
    }

    StatisticsInputs inputs{args.positional[0], args.Option("--previous-close"), args.Option("--turnover")};
    // Only a header-layout tick table uses these; it carries no date and stock of its own.
    inputs.dayOverrides = {tradeDate, args.Option("--stock"), StoredDays(ctx.store).StockTextHook()};
    inputs.dayOverrides.directionCodes = codes;
    inputs.dayOverrides.inferDirection = inferDirection;
    // A large day is stored while it is read (database failures then go to stderr from whichever
    // thread meets them). That pays once the store takes longer than starting a thread and waking
    // a second core: measured on a 2-core VM, 15% off a 100,000-trade export (2.4 MB), 4-13% off
    // the first store of a 20,000-trade .xls (1.5 MB), and 3-8% more on days of 240 and 390 KB.
    // Only the JSON shows the uncertain trades; a stored run stores them whatever this says.
    inputs.keepUncertainTrades = args.Has("--json");
    inputs.orderConvention = convention;
    std::error_code sizeError;
    inputs.storeWhileReading =
        !args.Has("--no-store") && std::filesystem::file_size(inputs.workbookPath, sizeError) >= kStoreWhileReadingFrom;
    StatisticsObserver observer;
    observer.warning = [&ctx](const FileWarning& warning) {
        ctx.err << "moxtel-flow: " << warning.Text() << "\n";
    };
    SqliteDayStore store(ctx.store, /*readOnly=*/args.Has("--no-store"));
    const auto run = RunStatistics(inputs, &store, observer);
    if (!run) return RunFailure(ctx, inputs.workbookPath, run.error());

    if (args.Has("--json")) {
        StatsJson(*run, labels).Dump(ctx.out);
    } else {
        ctx.out << run->day.titleText;
        if (run->day.inferredDirection) ctx.out << "  " << kInferredDirectionNote;
        ctx.out << "\n\n";
        WriteFiguresTable(ctx.out, run->day, labels);
        ctx.out << "\n";
        WriteOrderClassTable(ctx.out, StoredOrderClasses{run->day.orderConvention, run->day.orderClasses});
    }
    return kExitOk;
}

}  // namespace moxtel
