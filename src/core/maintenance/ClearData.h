#pragma once

#include <string>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"

namespace moxtel {

inline constexpr const char* kMsgNoStockChosen = "请选择需要删除的股票!";
inline constexpr const char* kMsgNoDateChosen = "请选择要删除的时间段!";
inline constexpr const char* kMsgConfirmClear = "确定要删除这些数据吗?";
inline constexpr const char* kMsgClearDone = "数据清除完毕!";

// Codes of every stock with a stored day ("select distinct code from gpmaster"), in the order the
// database returns them; empty after a database error (already reported).
std::vector<std::string> LoadStockCodes(const StoreContext& store);

// Deletes every stored day of the stock up to and including date (yyyymmdd, compared as text):
// the master rows and their rows in the five child tables, all in one transaction. Returns the
// number of days deleted. An empty code is refused with kMsgNoStockChosen, a date that is not
// eight digits with kMsgNoDateChosen; a database failure (already reported, empty message) deletes
// nothing.
Result<int> ClearStoredDays(const StoreContext& store, const std::string& code, const std::string& date);

// How many days ClearStoredDays(code, date) would delete; 0 for an empty code, a date that is not
// eight digits, or after a database error (already reported).
int CountDaysToClear(const StoreContext& store, const std::string& code, const std::string& date);

}  // namespace moxtel
