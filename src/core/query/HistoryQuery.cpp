#include "core/query/HistoryQuery.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/common/TextUtil.h"
#include "core/data/CAdoDatabase.h"
#include "core/query/FlowCharts.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/FlowFigure.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {
namespace {

// Stored days of one stock between two dates, with their four bucket rows. Aliases: c transin,
// b transout, d transinun, e transoutun. Columns: 0 rowid, 1 code, 2 datet, then 11 lots and 11
// amounts for each of c, b, d, e. The inner joins drop a day missing any bucket row.
constexpr const char* kHistorySql =
    "\tselect a.rowid,a.code,a.datet,c.one,c.two,c.three,c.four,c.five,c.six,c.seven,c.eight,c.nine,c.ten,c.more,"
    "c.onep,c.twop,c.threep,c.fourp,c.fivep,c.sixp,c.sevenp,c.eightp,c.ninep,c.tenp,c.morep,"
    "b.one,b.two,b.three,b.four,b.five,b.six,b.seven,b.eight,b.nine,b.ten,b.more,b.onep,b.twop,b.threep,b.fourp,"
    "b.fivep,b.sixp,b.sevenp,b.eightp,b.ninep,b.tenp,b.morep ,"
    "d.one,d.two,d.three,d.four,d.five,d.six,d.seven,d.eight,d.nine,d.ten,d.more,d.onep,d.twop,d.threep,d.fourp,"
    "d.fivep,d.sixp,d.sevenp,d.eightp,d.ninep,d.tenp,d.morep ,"
    "e.one,e.two,e.three,e.four,e.five,e.six,e.seven,e.eight,e.nine,e.ten,e.more,e.onep,e.twop,e.threep,e.fourp,"
    "e.fivep,e.sixp,e.sevenp,e.eightp,e.ninep,e.tenp,e.morep, f.classday,f.mainnetamount,f.totalamount,i.method "
    "from gpmaster a inner join "
    "((transin c inner join (transinun d inner join transoutun e on d.masterid=e.masterid) on c.masterid=d.masterid) "
    "inner join  transout b on b.masterid=c.masterid) on a.rowid=b.masterid "
    "left join dayflow f on f.code=a.code and f.datet=a.datet left join dayinferred i on i.masterid=a.rowid "
    "where a.datet>=?"
    " and a.datet<=? and a.code=? order by a.datet";
// Columns of the per-day numbers after the buckets: classday, 主力 net amount, the day's amount
// (SQLite's text of a number keeps 15 digits, plenty for a figure shown to 0.1 万元 and 0.01%).
constexpr int kClassDayColumn = 91;
constexpr int kMainNetDecimals = 1;  // the 主力净额 cell's, which its chart draws as shown
// The rule a day's directions were inferred by; NULL for a day read with its file's directions.
constexpr int kInferredColumn = 94;

constexpr int kDateColWidth = 1500;
constexpr int kMarkedDateColWidth = 2500;
constexpr int kFigureColWidth = 2500;

void PutCell(CMSFlexGrid& grid, int row, int col, const std::string& text) {
    grid.SetRow(row);
    grid.SetCol(col);
    grid.SetText(text);
}

void PutFigure(CMSFlexGrid& grid, int row, int col, const FlowFigure& figure, std::uint32_t color) {
    PutCell(grid, row, col, figure.Text());
    grid.SetCellForeColor(color);
}

std::uint32_t SignColor(double lots) { return lots > 0 ? kColorRed : kColorGreen; }

// One bucket set from 11 lots columns starting at lotsCol and 11 amount columns after them.
void ReadBuckets(const CAdoDatabase& db, int lotsCol, FlowBuckets& buckets) {
    for (int i = 1; i <= kBucketCount; ++i) {
        buckets[i].lots = ParseLeadingDouble(db.GetFieldText(lotsCol + i - 1));
        buckets[i].amount = ParseLeadingDouble(db.GetFieldText(lotsCol + kBucketCount + i - 1));
    }
}

void ReadDayRow(const CAdoDatabase& db, DayFlowResult& day) {
    day.ClearBuckets();
    ReadBuckets(db, 3, day.inflow);
    ReadBuckets(db, 25, day.outflow);
    ReadBuckets(db, 47, day.uncertainUp);
    ReadBuckets(db, 69, day.uncertainDown);
}

// A header bound: the twelve values 0, 100, ... 1000 and 1001 ("1000+") give 0..11; anything else
// its hundreds, kept within 0..11.
int BucketBound(std::string_view text) {
    const int n = text == "1000+" ? 1001 : ParseLeadingInt(text);
    return n == 1001 ? kBucketCount : std::clamp(n / 100, 0, kBucketCount);
}

// The five interval texts of the named template, nullopt when there is none; a database that
// fails is an error already reported, not a missing template. Names are not unique in the table:
// a later row of the same name overwrites an earlier one.
Result<std::optional<std::array<std::string, 5>>> LoadHeaderTexts(const StoreContext& store,
                                                                  const std::string& templateName) {
    CAdoDatabase db(store);
    constexpr const char* kSql =
        "select flagonevalue,flagtwovalue,flagthreevalue,flagfourvalue,flagfivevalue from queryconfig where flagdesc=?";
    if (!db.OpenRecordset(kSql, {templateName})) {
        return Error::Reported();
    }
    std::optional<std::array<std::string, 5>> texts;
    if (!db.IsEOF()) {
        db.MoveFirst();
        for (; !db.IsEOF(); db.MoveNext()) {
            texts.emplace();
            for (int k = 0; k < 5; ++k) (*texts)[static_cast<std::size_t>(k)] = db.GetFieldText(k);
        }
    }
    db.Close();
    return texts;
}

// The figures of one listed day over the five intervals of the grid's headers, as its cells show them.
HistoryDayFigures DayFiguresOf(const DayFlowResult& day, const std::string& dateText, const CMSFlexGrid& grid) {
    HistoryDayFigures figures;
    figures.date = InsertDateDashes(dateText);
    for (int k = 1; k <= 5; ++k) {
        figures.intervalLots[static_cast<std::size_t>(k - 1)] = ShownLots(IntervalNet(day, grid.TextAt(0, k)).lots);
    }
    figures.totalLots = ShownLots(SumBucketRange(day, 0, kBucketCount).total.lots);
    return figures;
}

}  // namespace

bool ApplyTemplateHeaders(const StoreContext& store, HistoryQueryState& state, CMSFlexGrid& grid,
                          const std::string& templateName) {
    state.templateName = templateName;
    grid.SetCols(kHistoryGridCols);
    grid.SetColWidth(0, kDateColWidth);
    for (int c = 1; c <= kHistoryTotalCol; ++c) grid.SetColWidth(c, kFigureColWidth);
    grid.SetColWidth(kHistoryMasterIdCol, 0);
    PutCell(grid, 0, 0, "日期");

    std::array<std::string, 5> texts = state.intervalTexts;
    bool found = true;
    if (templateName.empty()) {
        for (std::size_t k = 0; k < texts.size(); ++k) texts[k] = std::string(kHistoryDefaultIntervalTexts[k]);
    } else if (auto values = LoadHeaderTexts(store, templateName); !values) {
        // The database failed (reported): the previous texts stay, and the name is not called unknown.
    } else if (*values) {
        texts = **values;
    } else {
        found = false;
    }
    for (int k = 1; k <= 5; ++k) {
        const auto index = static_cast<std::size_t>(k - 1);
        PutCell(grid, 0, k, texts[index] + "(手)");
        state.intervalTexts[index] = texts[index];
    }
    PutCell(grid, 0, 6, "流向");
    PutCell(grid, 0, 7, "流向(加未知流向)");
    PutCell(grid, 0, 8, "总量");
    grid.SetColWidth(kHistoryMainNetCol, kFigureColWidth);
    grid.SetColWidth(kHistoryMainShareCol, kDateColWidth);
    PutCell(grid, 0, kHistoryMainNetCol, "主力净额(万元)");
    PutCell(grid, 0, kHistoryMainShareCol, "主力净占比(%)");
    return found;
}

Result<int> QueryHistory(const StoreContext& store, SessionState& session, const HistoryQueryInput& input,
                         CMSFlexGrid& grid, CMSChart& chart, const HistoryChartOptions& options) {
    HistoryQueryState& state = session.history;
    state.templateName.clear();
    state.stockCode.clear();
    state.startDate.clear();
    state.endDate.clear();
    state.rowCount = 0;
    state.days.clear();
    grid.SetRows(1);
    ApplyTemplateHeaders(store, state, grid, input.templateName);
    return RunHistoryQuery(store, session, input, grid, chart, options);
}

Result<int> RunHistoryQuery(const StoreContext& store, SessionState& session, const HistoryQueryInput& input,
                            CMSFlexGrid& grid, CMSChart& chart, const HistoryChartOptions& options) {
    HistoryQueryState& state = session.history;
    state.stockCode = input.stockCode;
    if (state.stockCode.empty()) return Error{kMsgChooseStock};
    state.startDate = input.startDate;
    state.endDate = input.endDate;
    if (state.startDate.empty() || state.endDate.empty()) return Error{kMsgChoosePeriod};

    std::vector<HistoryDayFigures> days;
    const int n = LoadHistoryRows(store, session, grid, &days);
    if (n > 0) {
        state.rowCount = n;
        state.days = std::move(days);
    }
    SetupHistoryChart(chart, state);
    if (n > 0) FillHistoryChart(chart, state, options);
    return n;
}

int LoadHistoryRows(const StoreContext& store, SessionState& session, CMSFlexGrid& grid,
                    std::vector<HistoryDayFigures>* days) {
    const HistoryQueryState& state = session.history;
    if (days != nullptr) days->clear();
    CAdoDatabase db(store);
    db.OpenRecordset(kHistorySql, {state.startDate, state.endDate, state.stockCode});
    int j = 0;
    if (!db.IsEOF()) {
        db.MoveFirst();
        while (!db.IsEOF()) {
            ++j;
            ReadDayRow(db, session.day);
            session.currentMasterId = db.GetFieldText(0);
            AddDayRow(grid, session.day, db.GetFieldText(2), j, session.currentMasterId);
            FillTotalCells(grid, session.day, j);
            const bool hasClasses = ParseLeadingInt(db.GetFieldText(kClassDayColumn)) == 1;
            const double mainNetAmount = ParseLeadingDouble(db.GetFieldText(kClassDayColumn + 1));
            FillMainCells(grid, j, hasClasses, mainNetAmount, ParseLeadingDouble(db.GetFieldText(kClassDayColumn + 2)));
            const bool inferred = !db.GetFieldText(kInferredColumn).empty();
            if (inferred) MarkInferredDate(grid, j);
            if (days != nullptr) {
                days->push_back(DayFiguresOf(session.day, db.GetFieldText(2), grid));
                if (hasClasses) days->back().mainNetAmount = RoundFixed(mainNetAmount, kMainNetDecimals);
                days->back().inferredDirection = inferred;
            }
            db.MoveNext();
        }
    }
    db.Close();
    return j;
}

// The mark after the date of a day whose directions were inferred: "2016-05-23 推断方向".
const std::string& InferredDateMark() {
    static const std::string mark = std::string(" ") + kInferredDirectionText;
    return mark;
}

void MarkInferredDate(CMSFlexGrid& grid, int j) {
    PutCell(grid, j, 0, grid.TextAt(j, 0) + InferredDateMark());
    grid.SetColWidth(0, std::max(grid.ColWidth(0), kMarkedDateColWidth));  // room for the mark
}

std::string_view DateOfDateCell(std::string_view cell, bool& inferred) {
    inferred = cell.ends_with(InferredDateMark());
    return inferred ? cell.substr(0, cell.size() - InferredDateMark().size()) : cell;
}

void AddDayRow(CMSFlexGrid& grid, const DayFlowResult& day, const std::string& dateText, int j,
               const std::string& masterId) {
    grid.SetRows(j + 2);
    PutCell(grid, j, 0, InsertDateDashes(dateText));
    PutCell(grid, j, kHistoryMasterIdCol, masterId);
    for (int k = 1; k <= 5; ++k) FillIntervalCell(grid, day, k, j);
}

void FillIntervalCell(CMSFlexGrid& grid, const DayFlowResult& day, int k, int j) {
    const FlowFigure net = IntervalNet(day, grid.TextAt(0, k));
    PutFigure(grid, j, k, net, SignColor(net.lots));
}

FlowFigure IntervalNet(const DayFlowResult& day, std::string_view header) {
    const auto [lower, upper] = HeaderBucketBounds(header);
    const BucketSum in = day.inflow.Sum(lower + 1, upper);
    const BucketSum out = day.outflow.Sum(lower + 1, upper);
    return {in.lots - out.lots, in.amount - out.amount};
}

double ShownLots(double lots) { return std::isfinite(lots) ? std::round(lots) : 0.0; }

void FillTotalCells(CMSFlexGrid& grid, const DayFlowResult& day, int j) {
    const RangeFigures all = SumBucketRange(day, 0, kBucketCount);
    PutFigure(grid, j, 6, all.net, SignColor(all.net.lots));
    PutFigure(grid, j, 7, all.netWithUncertain, SignColor(all.netWithUncertain.lots));
    PutFigure(grid, j, 8, all.total, kColorWhite);
}

void FillMainCells(CMSFlexGrid& grid, int j, bool hasClasses, double mainNetAmount, double totalAmount) {
    if (!hasClasses) {  // the dash in white, as 总量: the grid's black would hide it on its black cells
        PutCell(grid, j, kHistoryMainNetCol, kNoClassFigure);
        grid.SetCellForeColor(kColorWhite);
        PutCell(grid, j, kHistoryMainShareCol, kNoClassFigure);
        grid.SetCellForeColor(kColorWhite);
        return;
    }
    const std::uint32_t color = mainNetAmount > 0 ? kColorRed : kColorGreen;
    PutCell(grid, j, kHistoryMainNetCol, FormatFixed(mainNetAmount, kMainNetDecimals));
    grid.SetCellForeColor(color);
    PutCell(grid, j, kHistoryMainShareCol,
            totalAmount != 0.0 ? FormatFixed(mainNetAmount / totalAmount * 100.0, 2) : kNoClassFigure);
    grid.SetCellForeColor(color);
}

std::pair<int, int> HeaderBucketBounds(std::string_view header) {
    std::string_view lower;
    std::string_view rest = header;
    const std::size_t dash = header.find('-');
    if (dash != std::string_view::npos) {
        lower = header.substr(0, dash);
        rest = header.substr(dash);
    }
    while (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
    const std::string_view upper = rest.substr(0, rest.find('('));
    return {BucketBound(lower), BucketBound(upper)};
}

std::string InsertDateDashes(std::string_view text) {
    // Counted in characters so a dash never splits a multi-byte character of a short or odd text.
    std::string out(text);
    out.insert(Utf8Offset(out, 4), 1, '-');
    out.insert(Utf8Offset(out, 7), 1, '-');
    return out;
}

std::string MasterIdOfGridRow(const CMSFlexGrid& grid, int row) { return grid.TextAt(row, kHistoryMasterIdCol); }

double LotsOfFigureText(std::string_view text) { return ParseLeadingDouble(text.substr(0, text.find('('))); }

}  // namespace moxtel
