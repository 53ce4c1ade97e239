#pragma once

#include <optional>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/stats/FlowBuckets.h"

namespace moxtel {

// A day's order classes as stored: the convention they were computed with and the figures.
struct StoredOrderClasses {
    OrderClassConvention convention = OrderClassConvention::SharesOrAmount;
    OrderClassFlows flows;
};

// Writes the day's rows of per-day numbers (tables dayflow and dayclass): its net flows as the history
// grid reads them back from the stored bucket texts, and its order classes; a day whose directions
// were inferred gets its mark in dayinferred. Part of the run's transaction;
// false when the statement failed (already reported). The day is keyed by the arguments, not its texts.
bool StoreDayFlowRow(CAdoDatabase& db, const DayFlowResult& day, const std::string& masterId,
                     const std::string& stockCode, const std::string& tradeDate);

// Deletes the rows of day id (its stock code followed by its date); false when that failed (already reported).
bool DeleteDayFlowRow(CAdoDatabase& db, const std::string& id);

// The rule a stored day's directions were inferred by.
inline constexpr const char* kTickRule = "tick-rule";
// What a day whose directions were inferred is marked with wherever it is shown.
inline constexpr const char* kInferredDirectionText = "推断方向";
// The same said in full, beside a day's figures.
inline constexpr const char* kInferredDirectionNote = "(推断方向：文件中没有买卖方向，按成交价涨跌推断)";

// True when the stored day's directions were inferred (推断方向); false for one read with its file's
// directions, or not stored.
bool LoadInferredDirection(CAdoDatabase& db, const std::string& masterId);

// The stored order classes of a day: nullopt for a day stored before they were kept, or not stored.
std::optional<StoredOrderClasses> LoadStoredOrderClasses(CAdoDatabase& db, const std::string& masterId);

// The columns as exact number texts: printf('%!.17g',col) each (SQLite's own text keeps 15 digits).
std::string ExactColumns(const std::string& columns);

// Column list "smallinlots,smallinamount,...,superunamount" in the order of OrderClassFlows.
const std::string& DayFlowClassColumns();

}  // namespace moxtel
