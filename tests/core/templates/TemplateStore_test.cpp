#include "core/templates/TemplateStore.h"

#include <gtest/gtest.h>

#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

using test::TestDatabase;
using Choices = std::array<IntervalChoice, 5>;
using Rows = std::vector<std::vector<std::string>>;

const Choices kBigOrders{{{"0", "300"}, {"300", "500"}, {"500", "800"}, {"800", "1000"}, {"1000", "1000+"}}};

Rows StoredRows(const TestDatabase& t) {
    return t.Rows(
        "select flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,flagthreevalue,flagfourcode,"
        "flagfourvalue,flagfivecode,flagfivevalue,flagdesc from queryconfig order by id");
}

TEST(EncodeInterval, ItemsBecomeBucketBoundsAndTexts) {
    struct Case {
        IntervalChoice choice;
        const char* code;
        const char* value;
        bool valid;
    };
    const Case cases[] = {
        {{"100", "300"}, "1-3", "100-300", true},
        {{"800", "1000+"}, "8-11", "800-1000+", true},
        {{"1000", "1000+"}, "10-11", "1000-1000+", true},
        {{"0", "100"}, "0-1", "0-100", true},
        {{"", ""}, "0-0", "0-0", true},
        {{"300", "300"}, "3-3", "300-300", true},
        {{"", "1000"}, "0-10", "0-1000", true},
        {{"500", ""}, "5-0", "500-0", false},
        {{"400", "300"}, "4-3", "400-300", false},
        {{"1000", "900"}, "10-9", "1000-900", false},
        {{"50", "100"}, "0-1", "50-100", false},  // not list items
        {{"0", "1001"}, "0-0", "0-1001", false},
    };
    for (const Case& c : cases) {
        const EncodedInterval e = EncodeInterval(c.choice);
        SCOPED_TRACE(c.choice.fromItem + "|" + c.choice.toItem);
        EXPECT_EQ(e.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(e.code, c.code);
            EXPECT_EQ(e.value, c.value);
        }
    }
}

TEST(IntervalTexts, StoredTextsChooseListItems) {
    EXPECT_EQ(FromItemOfText("300"), "300");
    EXPECT_EQ(FromItemOfText("1000"), "1000");
    EXPECT_EQ(FromItemOfText("0"), "0");
    for (const char* other : {"", "abc", "50", "1100", "-100"}) EXPECT_EQ(FromItemOfText(other), "0") << other;

    EXPECT_EQ(ToItemOfText("1000+"), "1000+");
    EXPECT_EQ(ToItemOfText("1000"), "1000");
    EXPECT_EQ(ToItemOfText("900"), "900");
    for (const char* other : {"", "0", "abc", "1100", "150"}) EXPECT_EQ(ToItemOfText(other), "100") << other;
}

TEST(IntervalTexts, SplitAtTheFirstDash) {
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(SplitIntervalText("300-500"), (Pair{"300", "500"}));
    EXPECT_EQ(SplitIntervalText("800-1000+"), (Pair{"800", "1000+"}));
    EXPECT_EQ(SplitIntervalText("1000---"), (Pair{"1000", ""}));
    EXPECT_EQ(SplitIntervalText("-"), (Pair{"", ""}));
    EXPECT_EQ(SplitIntervalText("abc"), (Pair{"", "abc"}));
    EXPECT_EQ(SplitIntervalText(""), (Pair{"", ""}));
}

TEST(IntervalTexts, StoredValuesComeBackUnchangedExceptZeroToZero) {
    for (const char* value : {"0-300", "300-500", "800-1000+", "1000-1000+", "300-300", "0-0"}) {
        const auto [from, to] = SplitIntervalText(value);
        const EncodedInterval e = EncodeInterval({FromItemOfText(from), ToItemOfText(to)});
        EXPECT_EQ(e.value, std::string(value) == "0-0" ? "0-100" : value);
    }
}

TEST(TemplateStore, AddListUpdateDelete) {
    TestDatabase t;
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Insert, "大单", kBigOrders).ok());
    EXPECT_EQ(StoredRows(t), (Rows{{"0-3", "0-300", "3-5", "300-500", "5-8", "500-800", "8-10", "800-1000", "10-11",
                                    "1000-1000+", "大单"}}));
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Insert, "空", Choices{}).ok());
    EXPECT_EQ(StoredRows(t).at(1),
              (std::vector<std::string>{"0-0", "0-0", "0-0", "0-0", "0-0", "0-0", "0-0", "0-0", "0-0", "0-0", "空"}));

    EXPECT_EQ(LoadTemplateNames(t.store), (std::vector<std::string>{"大单", "空"}));
    const auto all = LoadTemplates(t.store);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "大单");
    EXPECT_EQ(all[0].values[4], "1000-1000+");
    EXPECT_EQ(all[0].codes[4], "10-11");

    Choices changed = kBigOrders;
    changed[2] = {"300", "300"};
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Update, "大单", changed).ok());
    const auto values = LoadTemplateValues(t.store, "大单");
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(*values, (std::array<std::string, 5>{"0-300", "300-500", "300-300", "800-1000", "1000-1000+"}));
    EXPECT_EQ(StoredRows(t).at(0).at(4), "3-3");
    EXPECT_EQ(t.Count("queryconfig"), 2);

    ASSERT_TRUE(DeleteTemplate(t.store, "大单").ok());
    EXPECT_EQ(LoadTemplateNames(t.store), std::vector<std::string>{"空"});
    EXPECT_FALSE(LoadTemplateValues(t.store, "大单").has_value());
    ASSERT_TRUE(DeleteTemplate(t.store, "空").ok());
    EXPECT_TRUE(LoadTemplates(t.store).empty());
    EXPECT_TRUE(t.messages.empty());
}

TEST(TemplateStore, ExistingAndMissingNamesAreRefusedWithoutWriting) {
    TestDatabase t;
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Insert, "大单", kBigOrders).ok());
    const Rows before = StoredRows(t);

    const Status twice = SaveTemplate(t.store, SaveMode::Insert, "大单", Choices{});
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(twice.error().message, "该模板已存在，请更换模板名称或点击修改!");

    const Status missing = SaveTemplate(t.store, SaveMode::Update, "小单", Choices{});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "该模板不存在，请更换模板名称或点击添加!");

    const Status empty = SaveTemplate(t.store, SaveMode::Insert, "", Choices{});
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error().message, "请填写模板名称!");

    EXPECT_TRUE(DeleteTemplate(t.store, "小单").ok());  // no such name: nothing happens, no message
    EXPECT_EQ(StoredRows(t), before);
    EXPECT_TRUE(t.messages.empty());
}

TEST(TemplateStore, FirstInvalidIntervalNamesItselfAndNothingIsWritten) {
    TestDatabase t;
    const char* messages[] = {"第一区间开始数值不能大于结束数值!", "第二区间开始数值不能大于结束数值!",
                              "第三区间开始数值不能大于结束数值!", "第四区间开始数值不能大于结束数值!",
                              "第五区间开始数值不能大于结束数值!"};
    for (std::size_t n = 0; n < 5; ++n) {
        Choices choices = kBigOrders;
        choices[n] = {"500", ""};  // from 500 with no to-item: its to number is 0
        const Status status = SaveTemplate(t.store, SaveMode::Insert, "t", choices);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, messages[n]);
    }
    Choices both = kBigOrders;
    both[2] = {"900", "800"};
    both[0] = {"200", "100"};
    EXPECT_EQ(SaveTemplate(t.store, SaveMode::Insert, "t", both).error().message, messages[0]);
    EXPECT_EQ(t.Count("queryconfig"), 0);
}

TEST(TemplateStore, NamesWithQuotesAreOrdinaryNames) {
    TestDatabase t;
    const std::string name = "it's 'big'";
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Insert, name, kBigOrders).ok());
    EXPECT_EQ(SaveTemplate(t.store, SaveMode::Insert, name, kBigOrders).error().message,
              "该模板已存在，请更换模板名称或点击修改!");
    ASSERT_TRUE(SaveTemplate(t.store, SaveMode::Update, name, Choices{}).ok());
    EXPECT_EQ(LoadTemplateValues(t.store, name)->at(0), "0-0");
    ASSERT_TRUE(DeleteTemplate(t.store, name).ok());
    EXPECT_EQ(t.Count("queryconfig"), 0);
    EXPECT_TRUE(t.messages.empty());
}

TEST(TemplateStore, DatabaseFailureCarriesAnEmptyMessageAfterReporting) {
    TestDatabase t;
    t.Raw("create trigger no_insert before insert on queryconfig begin select raise(abort, 'full'); end");
    const Status status = SaveTemplate(t.store, SaveMode::Insert, "t", kBigOrders);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, "");
    EXPECT_EQ(t.messages, std::vector<std::string>{"full"});
}

}  // namespace
}  // namespace moxtel
