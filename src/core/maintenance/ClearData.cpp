#include "core/maintenance/ClearData.h"

#include <algorithm>

#include "core/data/CAdoDatabase.h"
#include "core/stats/SqliteDayStore.h"

namespace moxtel {
namespace {

// Any other text would compare against the stored yyyymmdd texts in surprising ways.
bool IsEightDigitDate(const std::string& date) {
    return date.size() == 8 && std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<std::string> LoadStockCodes(const StoreContext& store) {
    std::vector<std::string> codes;
    CAdoDatabase db(store);
    db.OpenRecordset("select distinct code from gpmaster");
    if (!db.IsEOF()) {
        db.MoveFirst();
        for (; !db.IsEOF(); db.MoveNext()) codes.push_back(db.GetFieldText(0));
    }
    db.Close();
    return codes;
}

int CountDaysToClear(const StoreContext& store, const std::string& code, const std::string& date) {
    if (code.empty() || !IsEightDigitDate(date)) return 0;
    CAdoDatabase db(store);
    if (!db.OpenRecordset("select count(*) from gpmaster where code=? and datet<=?", {code, date}) || db.IsEOF())
        return 0;
    return std::stoi(db.GetFieldText(0));
}

Result<int> ClearStoredDays(const StoreContext& store, const std::string& code, const std::string& date) {
    if (code.empty()) return Error{kMsgNoStockChosen};
    if (!IsEightDigitDate(date)) return Error{kMsgNoDateChosen};
    CAdoDatabase db(store);
    if (!db.BeginTransaction()) return Error::Reported();
    if (!db.OpenRecordset("select rowid from gpmaster where  code=? and datet<=?", {code, date})) {
        return Error::Reported();
    }
    std::vector<std::string> ids;
    if (!db.IsEOF()) {
        db.MoveFirst();
        for (; !db.IsEOF(); db.MoveNext()) ids.push_back(db.GetFieldText(0));
    }
    for (const std::string& id : ids) {
        if (!DeleteStoredDay(db, id)) return Error::Reported();  // the destructor rolls back
    }
    // Per-day numbers of a day whose id is not its code and date, should a database hold one.
    if (!db.Execute("delete from dayflow where code=? and datet<=?", {code, date})) return Error::Reported();
    if (!db.Commit()) return Error::Reported();
    db.Close();
    return static_cast<int>(ids.size());
}

}  // namespace moxtel
