// moxtel-flow history and day: the stored days without a window.
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/DayJson.h"
#include "cli/Json.h"
#include "cli/OrderClassOutput.h"
#include "core/query/GridExport.h"
#include "core/query/HistoryQuery.h"
#include "core/query/QueryViews.h"
#include "core/stats/DayFlowTable.h"

namespace moxtel {
namespace {

Json HistoryJson(const HistoryView& view) {
    Json headers = Json::MakeArray();
    for (const auto& h : view.headers) headers.Push(h);
    Json rows = Json::MakeArray();
    for (const auto& row : view.rows) {
        Json cells = Json::MakeArray();
        Json colors = Json::MakeArray();
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            cells.Push(row.cells[i]);
            colors.Push(static_cast<double>(row.colors[i]));
        }
        rows.Push(Json::MakeObject()
                      .Add("date", row.date)
                      .Add("inferredDirection", row.inferredDirection)
                      .Add("masterId", row.masterId)
                      .Add("cells", std::move(cells))
                      .Add("colors", std::move(colors)));
    }
    return Json::MakeObject().Add("headers", std::move(headers)).Add("rows", std::move(rows));
}

// One column per number: figures "lots(amount万元)" become a lots and an amount column.
void WriteFigureCsv(std::ostream& out, const std::vector<std::string>& header,
                    const std::vector<std::vector<std::string>>& rows) {
    TextTable table{header};
    table.insert(table.end(), rows.begin(), rows.end());
    TextTable split = SplitFigureColumns(table, true);
    const std::vector<std::string> head = split.front();
    split.erase(split.begin());
    WriteCsv(out, head, split);
}

std::vector<std::vector<std::string>> HistoryRows(const HistoryView& view) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : view.rows) {
        std::vector<std::string> fields{row.inferredDirection ? row.date + " " + kInferredDirectionText : row.date};
        fields.insert(fields.end(), row.cells.begin(), row.cells.end());
        rows.push_back(std::move(fields));
    }
    return rows;
}

Json DayJson(const DayView& view) {
    Json intervals = Json::MakeArray();
    for (const auto& interval : view.intervals) intervals.Push(FigureTextsJson(interval.figures.texts, interval.label));
    Json buckets = Json::MakeArray();
    for (const auto& bucket : view.buckets) buckets.Push(FigureTextsJson(bucket.figures.texts, bucket.label, true));
    // Made as they are written, like the trades of a statistics run.
    Json trades(Json::Generated{view.uncertainTrades.size(), [&view](std::size_t i) {
        return UncertainTradeJson(StoredTradeOf(view.uncertainTrades[i], view.masterId));
    }});
    return Json::MakeObject()
        .Add("masterId", view.masterId)
        .Add("title", view.title)
        .Add("inferredDirection", view.inferredDirection)
        .Add("totals", FigureTextsJson(view.totals.texts))
        .Add("intervals", std::move(intervals))
        .Add("buckets", std::move(buckets))
        .Add("orderClasses", OrderClassesJson(view.orderClasses))
        .Add("uncertainTrades", std::move(trades));
}

// The totals row and the five interval rows of a day, under kFiguresHeader.
std::vector<std::vector<std::string>> DayIntervalRows(const DayView& view) {
    std::vector<std::vector<std::string>> rows{FiguresRow("汇总", view.totals.texts)};
    for (const auto& interval : view.intervals) rows.push_back(FiguresRow(interval.label, interval.figures.texts));
    return rows;
}

std::vector<std::vector<std::string>> DayBucketRows(const DayView& view) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& bucket : view.buckets) rows.push_back(FiguresRow(bucket.label, bucket.figures.texts));
    return rows;
}

// Totals, intervals and the eleven buckets in one table, for CSV.
std::vector<std::vector<std::string>> DayFiguresRows(const DayView& view) {
    auto rows = DayIntervalRows(view);
    for (auto& row : DayBucketRows(view)) rows.push_back(std::move(row));
    return rows;
}

void WriteDayText(std::ostream& out, const DayView& view) {
    out << (view.title.empty() ? view.masterId : view.title);
    if (view.inferredDirection) out << "  " << kInferredDirectionNote;
    out << "\n\n";
    WriteTable(out, kFiguresHeader, DayIntervalRows(view));
    out << "\n";
    WriteTable(out, kFiguresHeader, DayBucketRows(view));
    out << "\n";
    WriteOrderClassTable(out, view.orderClasses);
    if (view.uncertainTrades.empty()) return;
    out << "\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& t : view.uncertainTrades) {
        rows.push_back({t.time, t.price, t.lots, t.before, t.beforePrice, t.after, t.afterPrice});
    }
    WriteTable(out, {"时间", "价格", "成交量量", "前一笔流向", "前一笔价格", "后一笔流向", "后一笔价格"}, rows);
}

}  // namespace

int RunHistoryCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.size() != 3) return UsageError(ctx, "needs CODE FROM TO");
    if (args.Has("--json") && args.Has("--csv")) return UsageError(ctx, "choose one of --json and --csv");
    const auto from = ParseCliDate(args.positional[1]);
    const auto to = ParseCliDate(args.positional[2]);
    if (!from || !to) {
        return UsageError(ctx,
                          (from ? args.positional[2] : args.positional[1]) + " is not a date YYYYMMDD or YYYY-MM-DD");
    }
    if (*from > *to) return UsageError(ctx, "FROM " + args.positional[1] + " is after TO " + args.positional[2]);
    const std::string templateName = args.Option("--template");
    if (args.positional[0].empty()) return Failure(ctx, kMsgChooseStock);
    if (const int status = RequireStoredCode(ctx, args.positional[0]); status != kExitOk) return status;
    const auto view = LoadHistoryView(ctx.store, args.positional[0], *from, *to, templateName);
    if (ctx.databaseFailed) return kExitFailure;
    if (!view) return Failure(ctx, view.error().message);
    if (!view->templateFound) return Failure(ctx, "no template named " + templateName);
    const std::vector<std::string> headers(view->headers.begin(), view->headers.end());
    if (args.Has("--json")) {
        ctx.out << HistoryJson(*view).Dump();
    } else if (args.Has("--csv")) {
        WriteFigureCsv(ctx.out, headers, HistoryRows(*view));
    } else {
        WriteTable(ctx.out, headers, HistoryRows(*view));
    }
    return kExitOk;
}

int RunDayCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.size() != 1) return UsageError(ctx, "needs one MASTERID");
    if (args.Has("--json") && args.Has("--csv")) return UsageError(ctx, "choose one of --json and --csv");
    const std::string templateName = args.Option("--template");
    const DayView view = LoadDayView(ctx.store, args.positional[0], templateName);
    if (ctx.databaseFailed) return kExitFailure;
    if (!view.templateFound) return Failure(ctx, "no template named " + templateName);
    if (!view.stored) {
        return Failure(ctx, args.positional[0] +
                                ": no such stored day (a MASTERID is a stored code followed by the date, "
                                "e.g. 岚谷示例(600999)20261204)");
    }
    if (args.Has("--json")) {
        ctx.out << DayJson(view).Dump();
    } else if (args.Has("--csv")) {
        WriteFigureCsv(ctx.out, kFiguresHeader, DayFiguresRows(view));
    } else {
        WriteDayText(ctx.out, view);
    }
    return kExitOk;
}

}  // namespace moxtel
