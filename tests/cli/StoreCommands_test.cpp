#include "CliTestSupport.h"

namespace moxtel::test {
namespace {

using TemplatesCommand = CliTest;
using ClearCommand = CliTest;
using BackupCommand = CliTest;

TEST_F(TemplatesCommand, AddListUpdateDelete) {
    auto r = Run({"templates", "add", "大单", "0-300", "300-500", "500-800", "800-1000", "1000-1000+"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"templates", "list", "--json"});
    EXPECT_NE(r.out.find("\"name\": \"大单\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"10-11\""), std::string::npos);

    r = Run({"templates", "add", "大单", "0-300", "300-500", "500-800", "800-1000", "1000-1000+"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("该模板已存在，请更换模板名称或点击修改!"), std::string::npos);

    r = Run({"templates", "update", "小单", "0-100", "-", "-", "-", "-"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("该模板不存在，请更换模板名称或点击添加!"), std::string::npos);

    ASSERT_EQ(Run({"templates", "update", "大单", "0-100", "-", "-", "-", "500-"}).status, 1);  // 5: to 0 < 500
    EXPECT_NE(Run({"templates", "update", "大单", "0-100", "-", "-", "-", "500-"}).err.find("第五区间开始数值不能大于结束数值!"),
              std::string::npos);
    ASSERT_EQ(Run({"templates", "update", "大单", "0-100", "-", "-", "300-300", "-1000+"}).status, 0);
    r = Run({"templates", "list"});
    EXPECT_NE(r.out.find("0-0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("300-300"), std::string::npos);
    EXPECT_NE(r.out.find("0-1000+"), std::string::npos);

    ASSERT_EQ(Run({"templates", "delete", "大单"}).status, 0);
    ASSERT_EQ(Run({"templates", "delete", "大单"}).status, 1);  // nothing matched: not reported as done
    EXPECT_EQ(Run({"templates", "list", "--json"}).out, "[]\n");
}

TEST_F(TemplatesCommand, NamesWithQuotesWork) {
    ASSERT_EQ(Run({"templates", "add", "it's", "0-300", "-", "-", "-", "-"}).status, 0);
    EXPECT_NE(Run({"templates", "list"}).out.find("it's"), std::string::npos);
    ASSERT_EQ(Run({"templates", "delete", "it's"}).status, 0);
    EXPECT_EQ(Run({"templates", "list", "--json"}).out, "[]\n");
}

TEST_F(TemplatesCommand, BadWordsAreUsageErrors) {
    EXPECT_EQ(Run({"templates"}).status, 2);
    EXPECT_EQ(Run({"templates", "add", "x", "0-300"}).status, 2);
    EXPECT_EQ(Run({"templates", "add", "x", "0-300", "50-100", "-", "-", "-"}).status, 2);
    EXPECT_EQ(Run({"templates", "add", "x", "0-300", "100-1100", "-", "-", "-"}).status, 2);
    EXPECT_EQ(Run({"templates", "add", "x", "300", "-", "-", "-", "-"}).status, 2);
    const auto r = Run({"templates", "add", "", "0-300", "-", "-", "-", "-"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("请填写模板名称!"), std::string::npos);
}

TEST_F(ClearCommand, DeletesUpToAndIncludingTheDateOnly) {
    ASSERT_EQ(Run({"stats", WorkedDayText("a.xls", "20000101 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("b.xls", "20000102 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("c.xls", "20000103 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("d.xls", "20000101 XYZ (600001)")}).status, 0);

    auto r = Run({"clear", "ABC(600000)", "2000-01-02", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("数据清除完毕!"), std::string::npos);
    EXPECT_EQ(Count("select rowid from gpmaster where code=?", {"ABC(600000)"}), 1);
    EXPECT_EQ(Count("select rowid from gpmaster where code=?", {"XYZ(600001)"}), 1);
    EXPECT_EQ(Count("select masterid from transun where masterid=?", {"ABC(600000)20000101"}), 0);
    EXPECT_EQ(Count("select masterid from transin"), 2);
}

TEST_F(ClearCommand, AsksOnATerminalAndRefusesWithoutOne) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    EXPECT_EQ(Run({"clear", "ABC(600000)", "20000101"}).status, 2);
    auto r = Run({"clear", "ABC(600000)", "20000101"}, "n\n", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("确定要删除这些数据吗?"), std::string::npos);
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    r = Run({"clear", "ABC(600000)", "20000101"}, "y\n", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);
    EXPECT_EQ(Run({"clear", "ABC(600000)", "2000-1-1", "--yes"}).status, 2);
    EXPECT_EQ(Run({"clear", "ABC(600000)", "--yes"}).status, 2);
}

TEST_F(BackupCommand, CopiesIntoTheBackupFolder) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    const auto r = Run({"backup"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(m_dir / "BACKUP" / "moxtel.db"));
}

}  // namespace
}  // namespace moxtel::test
