#include "core/stats/StoredDays.h"

#include <filesystem>
#include <system_error>

#include "core/data/CAdoDatabase.h"

namespace moxtel {

std::string StoredDays::FirstOfCode(const char* sql, const std::string& code) const {
    std::error_code ec;
    if (!std::filesystem::exists(m_store.DatabaseFile(), ec)) return {};
    CAdoDatabase db(m_store, CAdoDatabase::OpenMode::ReadOnly);
    std::string first;
    if (db.OpenRecordset(sql, {"%(" + code + ")"}) && !db.IsEOF()) {
        db.MoveFirst();
        first = db.GetFieldText(0);
    }
    db.Close();
    return first;
}

std::string StoredDays::StockText(const std::string& code) const {
    return FirstOfCode("select code from gpmaster where code like ? order by datet desc limit 1", code);
}

std::string StoredDays::NewestDate(const std::string& code) const {
    return FirstOfCode("select max(datet) from gpmaster where code like ?", code);
}

std::function<std::string(const std::string&)> StoredDays::StockTextHook() const {
    return [days = *this](const std::string& code) { return days.StockText(code); };
}

}  // namespace moxtel
