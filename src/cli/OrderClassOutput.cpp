#include "cli/OrderClassOutput.h"

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "core/stats/FlowFigure.h"
#include "core/stats/OrderClasses.h"

namespace moxtel {
namespace {

constexpr const char* kNoFigure = "—";
constexpr const char* kMsgNoOrderClasses = "此日保存时尚未按金额分类，重新导入该日后显示按金额分类的数字。";

Json SideJson(const std::array<BucketSum, kOrderClassCount>& side) {
    Json array = Json::MakeArray();
    for (const BucketSum& sum : side) array.Push(Json::MakeObject().Add("lots", sum.lots).Add("amount", sum.amount));
    return array;
}

std::string ShareText(const std::optional<double>& share) {
    return share ? FormatFixed(*share, 2) + "%" : std::string(kNoFigure);
}

std::string FigureText(const BucketSum& sum) { return FlowFigure{sum.lots, sum.amount}.Text(); }

}  // namespace

Json OrderClassesJson(const std::optional<StoredOrderClasses>& classes) {
    if (!classes) return Json(nullptr);
    return Json::MakeObject()
        .Add("convention", std::string(ConventionName(classes->convention)))
        .Add("inflow", SideJson(classes->flows.inflow))
        .Add("outflow", SideJson(classes->flows.outflow))
        .Add("uncertain", SideJson(classes->flows.uncertain));
}

void WriteOrderClassTable(std::ostream& out, const std::optional<StoredOrderClasses>& classes) {
    out << "按金额分类";
    if (classes) out << " (" << ConventionName(classes->convention) << ")";
    out << "\n";
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> names(kOrderClassNames.begin(), kOrderClassNames.end());
    names.emplace_back(kMainOrderName);
    if (classes) {
        const auto figures = OrderClassRows(classes->flows);
        for (std::size_t i = 0; i < figures.size(); ++i) {
            const OrderClassRow& r = figures[i];
            rows.push_back(
                {names[i], FigureText(r.inflow), FigureText(r.outflow), FigureText(r.net), ShareText(r.netShare)});
        }
    } else {
        for (const std::string& name : names) rows.push_back({name, kNoFigure, kNoFigure, kNoFigure, kNoFigure});
    }
    WriteTable(out, {"类别", "流入", "流出", "净额", "净占比"}, rows);
    if (!classes) out << kMsgNoOrderClasses << "\n";
}

int ReadConventionOption(const CliArgs& args, CliContext& ctx, OrderClassConvention& convention) {
    convention = OrderClassConvention::SharesOrAmount;
    if (!args.HasOption("--order-classes")) return kExitOk;
    const std::string text = args.Option("--order-classes");
    const auto parsed = ParseConvention(text);
    if (!parsed) return UsageError(ctx, "--order-classes", "takes shares-or-amount or amount-only, not " + text);
    convention = *parsed;
    return kExitOk;
}

}  // namespace moxtel
