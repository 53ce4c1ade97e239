#pragma once

#include <functional>
#include <string>

#include "core/data/StoreContext.h"

namespace moxtel {

// What is stored of a stock, looked up on the database of one store context. Each lookup opens a
// read-only connection of its own, so lookups may run on any thread at once; they create nothing:
// without a database file the answers are empty. A failing database is reported through the
// store and reads as nothing stored.
class StoredDays {
public:
    explicit StoredDays(const StoreContext& store) : m_store(store) {}

    // The stock text ("名称(代码)") of the newest stored day whose stock ends in "(code)", or "".
    std::string StockText(const std::string& code) const;
    // The trade date (YYYYMMDD) of the newest stored day of code, or "".
    std::string NewestDate(const std::string& code) const;

    // StockText as the hook a reader asks for a stock's name (DayOverrides::storedStockOf). The
    // store must outlive the hook.
    std::function<std::string(const std::string& code)> StockTextHook() const;

private:
    // The first column of the first row of a query over the days of code.
    std::string FirstOfCode(const char* sql, const std::string& code) const;

    const StoreContext& m_store;
};

}  // namespace moxtel
