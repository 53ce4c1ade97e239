#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "CliTestSupport.h"

namespace moxtel::test {
namespace {

using StatsCommand = CliTest;

TEST_F(StatsCommand, JsonCarriesTheWorkedDay) {
    const auto r = Run({"stats", WorkedDayText(), "--previous-close", "10.00", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* piece : {
             "\"title\": \"20000101 ABC (600000)\"", "\"tradeDate\": \"20000101\"", "\"stockCode\": \"ABC(600000)\"",
             "\"masterId\": \"ABC(600000)20000101\"", "\"yesId\": \"0\"", "\"previousClose\": \"10.00\"",
             "\"turnover\": \" \"", "\"firstPrice\": \"10.04\"", "\"lastPrice\": \"10.02\"",
             "\"inflow\": \"150(15.1万元)\"", "\"outflow\": \"1200(120.0万元)\"", "\"uncertain\": \"350(35.1万元)\"",
             "\"net\": \"-1050(-104.9万元)\"", "\"netWithUncertain\": \"-750(-74.9万元)\"",
             "\"total\": \"1700(170.1万元)\"", "\"label\": \"1000---\"", "\"flagend\": \"入\"", "\"flagbef\": \"出\"",
             "\"lots\": 1200", "\"amount\": 15.059999999999999", "\"datet\": \"09:30:12\""}) {
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
    }
}

TEST_F(StatsCommand, TextOutputShowsTitleTotalsAndIntervals) {
    const auto r = Run({"stats", WorkedDayText(), "--no-store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("20000101 ABC (600000)\n", 0), 0u);
    for (const char* piece : {"流向(含未知流向)", "汇总", "-1050(-104.9万元)", "0-300", "1000---", "1200(120.0万元)"}) {
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece;
    }
}

TEST_F(StatsCommand, RunningTheSameWorkbookTwiceKeepsOneCopy) {
    const std::string path = WorkedDayText();
    ASSERT_EQ(Run({"stats", path}).status, 0);
    ASSERT_EQ(Run({"stats", path}).status, 0);
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Count("select masterid from transun"), 2);
    for (const char* table : {"transin", "transout", "transinun", "transoutun"}) {
        EXPECT_EQ(Count(std::string("select masterid from ") + table), 1) << table;
    }
}

TEST_F(StatsCommand, NextDayTakesThePreviousCloseFromTheStore) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    const auto r = Run({"stats", WorkedDayText("next.xls", "20000102 ABC (600000)"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"yesId\": \"ABC(600000)20000101\""), std::string::npos);
    EXPECT_NE(r.out.find("\"previousClose\": \"10.02\""), std::string::npos);
}

TEST_F(StatsCommand, NoStoreWritesNothing) {
    ASSERT_EQ(Run({"stats", WorkedDayText(), "--no-store"}).status, 0);
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);
    // Nothing is stored, but the JSON still lists the uncertain trades.
    const auto r = Run({"stats", WorkedDayText(), "--no-store", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"datet\": \"09:30:12\""), std::string::npos) << r.out;
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);
}

TEST_F(StatsCommand, TemplateIntervalsLabelTheRows) {
    ASSERT_EQ(Run({"templates", "add", "大单", "0-300", "300-500", "500-800", "800-1000", "1000-1000+"}).status, 0);
    const auto r = Run({"stats", WorkedDayText(), "--template", "大单", "--json", "--no-store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"label\": \"1000-1000+\""), std::string::npos);
    EXPECT_EQ(Run({"stats", WorkedDayText(), "--template", "没有"}).status, 1);
}

TEST_F(StatsCommand, FailuresAndUsage) {
    auto r = Run({"stats", (m_dir / "missing.xls").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("文件打开错误，请检查文件是否正确选择!"), std::string::npos);
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);

    EXPECT_EQ(Run({"stats"}).status, 2);
    EXPECT_EQ(Run({"stats", "a", "b"}).status, 2);
    EXPECT_EQ(Run({"stats", "a", "--bogus"}).status, 2);
    EXPECT_EQ(Run({"stats", "a", "--template"}).status, 2);
    EXPECT_EQ(Run({"nonsense"}).status, 2);
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(StatsCommand, WorkbooksThatAreNoTickExportsAreRefusedAndTouchNothing) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    for (const char* title : {"hello", "20000101", "2000010 ABC (600000)"}) {
        const std::string path = WorkedDayText("bad.xls", title);
        const auto r = Run({"stats", path});
        EXPECT_EQ(r.status, 1) << title;
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Count("select masterid from transun"), 2);

    // The opening failure: its message, then the path and the reader's reason beneath it.
    const std::string missing = (m_dir / "missing.xls").string();
    const auto r = Run({"stats", missing});
    EXPECT_EQ(r.err.rfind("moxtel-flow: " + missing + ": 文件打开错误，请检查文件是否正确选择!\n" + missing + "\n", 0), 0u) << r.err;
}

TEST_F(StatsCommand, WarningsNameTheWorkbookOnce) {
    const auto path = m_dir / "empty.xls";
    std::ofstream(path, std::ios::binary) << "20000101 ABC (600000)\n\n\n\n\n";
    for (const bool store : {false, true}) {
        const auto r = store ? Run({"stats", path.string()}) : Run({"stats", path.string(), "--no-store"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "moxtel-flow: " + path.string() + ": 没有成交记录(第6行为空)\n");
    }
}

// A day of over 1 MiB is stored while it is read, by a second thread: the same rows as any day.
TEST_F(StatsCommand, ALargeDayIsStoredWhileItIsRead) {
    const auto path = m_dir / "large.xls";
    {
        std::ofstream out(path, std::ios::binary);
        out << "20000101 ABC (600000)\n\n\n\n\n";
        for (int i = 0; i < 96000; ++i) {
            out << "09:30:" << i % 60 << "\t10." << i % 90 + 10 << "\t" << 1 + i % 1500 << "\t1\t"
                << (i % 3 == 0 ? "" : (i % 3 == 1 ? "B" : "S")) << "\n";
        }
    }
    ASSERT_GT(std::filesystem::file_size(path), 1u << 20);
    for (int run = 0; run < 2; ++run) {
        const auto r = Run({"stats", path.string(), "--json"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Count("select rowid from gpmaster"), 1);
        EXPECT_EQ(Count("select masterid from transun where masterid='ABC(600000)20000101'"), 32000);
        EXPECT_EQ(Count("select masterid from transun where datet='09:30:0' and transunknow='1' and pricebefor='0'"), 1)
            << "the first trade's price before is the previous close";
    }
}

TEST_F(StatsCommand, StockNamesWithQuotesAreStoredLikeAnyOther) {
    const std::string path = WorkedDayText("q.xls", "20000101 O'Neil \"A\" (600000)");
    ASSERT_EQ(Run({"stats", path}).status, 0);
    ASSERT_EQ(Run({"stats", path}).status, 0);
    EXPECT_EQ(Count("select rowid from gpmaster where code=?", {"O'Neil\"A\" (600000)"}), 1);
}

TEST(FlowBinary, RunsAsAProgramWithExitStatuses) {
    const auto dir = std::filesystem::temp_directory_path() / "moxtel-cli-binary";
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "x.db").string();
    const std::string usage = std::string(MOXTEL_FLOW_EXE) + " --db " + db + " stats >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(usage.c_str())), 2);
    const std::string missing = std::string(MOXTEL_FLOW_EXE) + " --db " + db + " stats /nonexistent.xls 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 1);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace moxtel::test
