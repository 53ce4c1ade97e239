#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"

namespace moxtel {

// A statistics template: a name and five intervals, one queryconfig row.
struct TemplateRecord {
    std::string name;                  // flagdesc
    std::array<std::string, 5> codes;  // flagonecode .. flagfivecode, "a-b" in bucket numbers
    std::array<std::string, 5> values; // flagonevalue .. flagfivevalue, "from-to" in lots, the shown label
};

// The user's choice for one interval: the item texts of its from-list and to-list, "" for no choice.
struct IntervalChoice {
    std::string fromItem;  // "0", "100", ... "1000" or ""
    std::string toItem;    // "100", ... "1000", "1000+" or ""
};

// One interval encoded for storage; valid is false when its to number is below its from number.
struct EncodedInterval {
    int a = 0;
    int b = 0;
    std::string code;   // "a-b"
    std::string value;  // "from-to"
    bool valid = true;
};

// A choice that is not an item of its list (see IsFromItemText, IsToItemText) encodes as invalid.
EncodedInterval EncodeInterval(const IntervalChoice& choice);

// Whether text is an item of a from-list ("0" .. "1000") or a to-list ("100" .. "1000", "1000+").
bool IsFromItemText(std::string_view text);
bool IsToItemText(std::string_view text);

// List item to choose for a stored from text ("0" for anything that is not an item) and to text
// ("100" for anything that is not an item, "1000+" for "1000+").
std::string FromItemOfText(std::string_view text);
std::string ToItemOfText(std::string_view text);

// Splits a stored interval text at its first "-" (leading "-" of the rest removed); without "-"
// the from text is empty and the to text is the whole text.
std::pair<std::string, std::string> SplitIntervalText(std::string_view text);

// Template names in the order the database returns them.
std::vector<std::string> LoadTemplateNames(const StoreContext& store);
// All templates in the order the database returns them.
std::vector<TemplateRecord> LoadTemplates(const StoreContext& store);
// The five value texts of the named template; nullopt when no such template exists.
std::optional<std::array<std::string, 5>> LoadTemplateValues(const StoreContext& store, const std::string& name);

enum class SaveMode { Insert, Update };
// Checks the five intervals (message of the first invalid one), then whether the name exists
// (insert: "该模板已存在，请更换模板名称或点击修改!", update: "该模板不存在，请更换模板名称或点击添加!"),
// then writes. An Error carries the message to show (empty when the database door reported it).
// The empty-name check ("请填写模板名称!") is the caller's, before calling; an empty name is
// still refused here with that message.
Status SaveTemplate(const StoreContext& store, SaveMode mode, const std::string& name,
                    const std::array<IntervalChoice, 5>& intervals);
// Deletes the named template; no message when it does not exist.
Status DeleteTemplate(const StoreContext& store, const std::string& name);

inline constexpr const char* kMsgTemplateNameEmpty = "请填写模板名称!";

}  // namespace moxtel
