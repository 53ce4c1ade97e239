#include "core/templates/TemplateStore.h"

#include <algorithm>

#include "core/common/TextUtil.h"
#include "core/data/CAdoDatabase.h"
#include "core/data/Schema.h"

namespace moxtel {
namespace {

constexpr std::array<const char*, 5> kMsgIntervalInvalid{
    "第一区间开始数值不能大于结束数值!", "第二区间开始数值不能大于结束数值!", "第三区间开始数值不能大于结束数值!",
    "第四区间开始数值不能大于结束数值!", "第五区间开始数值不能大于结束数值!",
};
constexpr const char* kMsgTemplateExists = "该模板已存在，请更换模板名称或点击修改!";
constexpr const char* kMsgTemplateMissing = "该模板不存在，请更换模板名称或点击添加!";

constexpr const char* kInsertTemplate =
    "insert into queryconfig(flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,flagthreevalue,"
    "flagfourcode,flagfourvalue,flagfivecode,flagfivevalue,flagdesc)values(?,?,?,?,?,?,?,?,?,?,?)";
constexpr const char* kUpdateTemplate =
    "update queryconfig set flagonecode=?,flagonevalue=?,flagtwocode=?,flagtwovalue=?,flagthreecode=?,"
    "flagthreevalue=?,flagfourcode=?,flagfourvalue=?,flagfivecode=?,flagfivevalue=? where flagdesc=?";

constexpr std::array<const char*, 11> kFromItems{"0",   "100", "200", "300", "400", "500",
                                                 "600", "700", "800", "900", "1000"};
constexpr std::array<const char*, 11> kToItems{"100", "200", "300", "400",  "500",  "600",
                                               "700", "800", "900", "1000", "1000+"};

// Position of text in items, or -1.
template <std::size_t N>
int IndexOf(const std::array<const char*, N>& items, std::string_view text) {
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

TemplateRecord RecordOfRow(const CAdoDatabase& db) {
    TemplateRecord record;
    record.name = db.GetFieldText(kQueryconfigName);
    for (int n = 1; n <= 5; ++n) {
        record.codes[static_cast<std::size_t>(n - 1)] = db.GetFieldText(QueryconfigCodeColumn(n));
        record.values[static_cast<std::size_t>(n - 1)] = db.GetFieldText(QueryconfigValueColumn(n));
    }
    return record;
}

std::vector<TemplateRecord> QueryTemplates(const StoreContext& store, std::string_view sql, const SqlParams& params) {
    std::vector<TemplateRecord> records;
    CAdoDatabase db(store);
    db.OpenRecordset(sql, params);
    if (!db.IsEOF()) {
        db.MoveFirst();
        for (; !db.IsEOF(); db.MoveNext()) records.push_back(RecordOfRow(db));
    }
    db.Close();
    return records;
}

// code 1, value 1, ... code 5, value 5, then the name: the order of both write statements.
SqlParams TemplateParams(const std::array<EncodedInterval, 5>& encoded, const std::string& name) {
    SqlParams params;
    for (const EncodedInterval& e : encoded) {
        params.push_back(e.code);
        params.push_back(e.value);
    }
    params.push_back(name);
    return params;
}

// Runs the existence check and the write in one transaction, so that two programs cannot both
// add the same name.
Status WriteTemplate(const StoreContext& store, SaveMode mode, const std::string& name, const SqlParams& params) {
    CAdoDatabase db(store);
    if (!db.BeginTransaction()) return Error::Reported();
    if (!db.OpenRecordset("select * from queryconfig where flagdesc=?", {name})) return Error::Reported();
    const bool exists = !db.IsEOF();
    if (mode == SaveMode::Insert && exists) return Error{kMsgTemplateExists};
    if (mode == SaveMode::Update && !exists) return Error{kMsgTemplateMissing};
    const char* sql = mode == SaveMode::Insert ? kInsertTemplate : kUpdateTemplate;
    if (!db.Execute(sql, params) || !db.Commit()) return Error::Reported();
    db.Close();
    return Done{};
}

}  // namespace

bool IsFromItemText(std::string_view text) { return IndexOf(kFromItems, text) >= 0; }
bool IsToItemText(std::string_view text) { return IndexOf(kToItems, text) >= 0; }

EncodedInterval EncodeInterval(const IntervalChoice& choice) {
    EncodedInterval e;
    const std::string from = choice.fromItem.empty() ? "0" : choice.fromItem;
    const std::string to = choice.toItem.empty() ? "0" : choice.toItem;
    const int fromIndex = IndexOf(kFromItems, from);
    e.a = std::max(fromIndex, 0);  // item "0" is bucket bound 0, "100" is 1, ... "1000" is 10
    e.b = choice.toItem.empty() ? 0 : IndexOf(kToItems, to) + 1;  // "100" is 1, ... "1000+" is 11
    e.code = std::to_string(e.a) + "-" + std::to_string(e.b);
    e.value = from + "-" + to;
    // A text that is no list item cannot be encoded; it is refused like a reversed interval.
    e.valid = fromIndex >= 0 && (choice.toItem.empty() || e.b > 0) && e.b >= e.a;
    return e;
}

std::string FromItemOfText(std::string_view text) {
    const int value = ParseLeadingInt(text);
    if (value >= 0 && value <= 1000 && value % 100 == 0) return kFromItems[static_cast<std::size_t>(value / 100)];
    return kFromItems[0];
}

std::string ToItemOfText(std::string_view text) {
    const int value = text == "1000+" ? 1001 : ParseLeadingInt(text);
    if (value == 1001) return kToItems[10];
    if (value >= 100 && value <= 1000 && value % 100 == 0) return kToItems[static_cast<std::size_t>(value / 100 - 1)];
    return kToItems[0];
}

std::pair<std::string, std::string> SplitIntervalText(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos) return {std::string(), std::string(text)};
    std::string_view to = text.substr(dash + 1);
    while (!to.empty() && to.front() == '-') to.remove_prefix(1);
    return {std::string(text.substr(0, dash)), std::string(to)};
}

std::vector<std::string> LoadTemplateNames(const StoreContext& store) {
    std::vector<std::string> names;
    CAdoDatabase db(store);
    db.OpenRecordset("select flagdesc from queryconfig");
    if (!db.IsEOF()) {
        db.MoveFirst();
        for (; !db.IsEOF(); db.MoveNext()) names.push_back(db.GetFieldText(0));
    }
    db.Close();
    return names;
}

std::vector<TemplateRecord> LoadTemplates(const StoreContext& store) {
    return QueryTemplates(store, "select * from queryconfig", {});
}

std::optional<std::array<std::string, 5>> LoadTemplateValues(const StoreContext& store, const std::string& name) {
    const auto records = QueryTemplates(store, "select * from queryconfig where flagdesc=?", {name});
    if (records.empty()) return std::nullopt;
    return records.front().values;
}

Status SaveTemplate(const StoreContext& store, SaveMode mode, const std::string& name,
                    const std::array<IntervalChoice, 5>& intervals) {
    if (name.empty()) return Error{kMsgTemplateNameEmpty};
    std::array<EncodedInterval, 5> encoded;
    for (std::size_t n = 0; n < 5; ++n) {
        encoded[n] = EncodeInterval(intervals[n]);
        if (!encoded[n].valid) return Error{kMsgIntervalInvalid[n]};
    }
    return WriteTemplate(store, mode, name, TemplateParams(encoded, name));
}

Status DeleteTemplate(const StoreContext& store, const std::string& name) {
    if (name.empty()) return Error{kMsgTemplateNameEmpty};
    CAdoDatabase db(store);
    const bool ok = db.Execute("delete from queryconfig where flagdesc=?", {name});
    db.Close();
    if (!ok) return Error::Reported();
    return Done{};
}

}  // namespace moxtel
