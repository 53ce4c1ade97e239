#pragma once

#include <iosfwd>
#include <optional>

#include "cli/Json.h"
#include "core/stats/DayFlowTable.h"

namespace moxtel {

// {"convention", "inflow", "outflow", "uncertain"}: each list four {"lots", "amount"} in the order
// 小单, 中单, 大单, 超大单, amounts in 万元 unrounded; null for a day stored without order classes.
Json OrderClassesJson(const std::optional<StoredOrderClasses>& classes);

// The 按金额分类 table: rows 小单 .. 超大单 and 主力, columns 流入, 流出, 净额 and 净占比. A day stored
// without order classes shows "—" in every cell and a line saying how to get them.
void WriteOrderClassTable(std::ostream& out, const std::optional<StoredOrderClasses>& classes);

struct CliArgs;
struct CliContext;
// Reads the --order-classes option into convention (the default when absent): kExitOk, or the
// usage error for an unknown name.
int ReadConventionOption(const CliArgs& args, CliContext& ctx, OrderClassConvention& convention);

}  // namespace moxtel
