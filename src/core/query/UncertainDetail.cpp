#include "core/query/UncertainDetail.h"

#include <array>

#include "core/data/CAdoDatabase.h"
#include "core/stats/UncertainTrade.h"

namespace moxtel {
namespace {

constexpr const char* kUncertainSql =
    "select datet,price,transunknow,pricebefor,priceend,transbef,transend,flagbef,flagend,gpcode "
    "from transun where masterid=? order by datet desc";

constexpr std::array<const char*, 7> kHeaders = {"时间",       "价格",       "成交量量",  "前一笔流向",
                                                 "前一笔价格", "后一笔流向", "后一笔价格"};

void SignByDirection(const std::string& flag, const std::string& lots, std::string& text, std::uint32_t& color) {
    text = SignedNeighbourLots(flag, lots);
    color = flag == kWordOut ? kColorNeighbourOut : kColorNeighbourOther;
}

void PutCell(CMSFlexGrid& grid, int col, const std::string& text) {
    grid.SetCol(col);
    grid.SetText(text);
}

}  // namespace

std::string SignedNeighbourLots(std::string_view flag, std::string_view lots) {
    return flag == kWordOut ? "-" + std::string(lots) : std::string(lots);
}

std::vector<UncertainDetailRow> LoadUncertainDetail(const StoreContext& store, const std::string& masterId) {
    std::vector<UncertainDetailRow> rows;
    if (masterId.empty()) return rows;
    CAdoDatabase db(store);
    db.OpenRecordset(kUncertainSql, {masterId});
    if (!db.IsEOF()) {
        db.MoveFirst();
        while (!db.IsEOF()) {
            UncertainDetailRow row;
            row.time = db.GetFieldText(0);
            row.price = db.GetFieldText(1);
            row.lots = db.GetFieldText(2);
            row.beforePrice = db.GetFieldText(3);
            row.afterPrice = db.GetFieldText(4);
            SignByDirection(db.GetFieldText(7), db.GetFieldText(5), row.before, row.beforeColor);
            SignByDirection(db.GetFieldText(8), db.GetFieldText(6), row.after, row.afterColor);
            row.lotsBefore = db.GetFieldText(5);
            row.lotsAfter = db.GetFieldText(6);
            row.flagBefore = db.GetFieldText(7);
            row.flagAfter = db.GetFieldText(8);
            row.stockCode = db.GetFieldText(9);
            rows.push_back(std::move(row));
            db.MoveNext();
        }
    }
    db.Close();
    return rows;
}

void SetUncertainGridHeaders(CMSFlexGrid& grid) {
    grid.SetCols(static_cast<int>(kHeaders.size()));
    grid.SetColWidth(0, 1500);
    for (int c = 1; c < grid.Cols(); ++c) grid.SetColWidth(c, 2500);
    grid.SetRow(0);
    for (int c = 0; c < grid.Cols(); ++c) PutCell(grid, c, kHeaders[static_cast<std::size_t>(c)]);
}

void FillUncertainGrid(const StoreContext& store, CMSFlexGrid& grid, const std::string& masterId) {
    int r = 0;
    for (const UncertainDetailRow& row : LoadUncertainDetail(store, masterId)) {
        ++r;
        grid.SetRows(r + 2);
        grid.SetRow(r);
        PutCell(grid, 0, row.time);
        PutCell(grid, 1, row.price);
        PutCell(grid, 2, row.lots);
        PutCell(grid, 3, row.before);
        grid.SetCellForeColor(row.beforeColor);
        PutCell(grid, 4, row.beforePrice);
        PutCell(grid, 5, row.after);
        grid.SetCellForeColor(row.afterColor);
        PutCell(grid, 6, row.afterPrice);
    }
}

}  // namespace moxtel
