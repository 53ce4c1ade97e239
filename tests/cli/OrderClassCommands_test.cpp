#include <gtest/gtest.h>
#include <sqlite3.h>

#include "CliTestSupport.h"

namespace moxtel {
namespace {

// Stocks A, B and C with hand-worked days (columns: time, price, lots, direction); amounts in 万元
// are price x lots / 100.
//   A 20000103: in 2000 lots at 10.00 (200, 超大单), out 100 at 4.00 (4, 中单): net 196, 主力 +200
//   A 20000104: out 500 lots at 4.00 (20, 大单): net -20, 主力 -20
//   B 20000103 and C 20000103: in 100 lots at 4.00 (4, 中单): net 4, 主力 0
class OrderClassCli : public test::CliTest {
  protected:
    std::string Day(const std::string& name, const std::string& a1, const std::vector<std::string>& rows) {
        const auto path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        out << a1 << "\n\n\n\n\n";
        for (const auto& row : rows) out << row << "\n";
        return path.string();
    }

    void StoreDays() {
        for (const auto& [name, a1, rows] : std::vector<std::tuple<std::string, std::string, std::vector<std::string>>>{
                 {"a1.xls", "20000103 A (600001)", {"09:30:01\t10.00\t2000\tB", "09:30:02\t4.00\t100\tS"}},
                 {"a2.xls", "20000104 A (600001)", {"09:30:01\t4.00\t500\tS"}},
                 {"b1.xls", "20000103 B (600002)", {"09:30:01\t4.00\t100\tB"}},
                 {"c1.xls", "20000103 C (600003)", {"09:30:01\t4.00\t100\tB"}}}) {
            ASSERT_EQ(Run({"stats", Day(name, a1, rows)}).status, 0) << name;
        }
    }

    // Makes a stored day look like one stored before order classes were kept.
    void DropClasses(const std::string& masterId) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_db.c_str(), &db), SQLITE_OK);
        const std::string code = masterId.substr(0, masterId.size() - 8);
        const std::string date = masterId.substr(masterId.size() - 8);
        const std::string sql = "delete from dayclass where masterid='" + masterId +
                                "'; update dayflow set classday=0, totalamount=null, mainnetamount=null, "
                                "supernetamount=null, largenetamount=null, mediumnetamount=null, smallnetamount=null "
                                "where code='" +
                                code + "' and datet='" + date + "'";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    // The stock codes of rank's text rows, in order.
    static std::vector<std::string> Codes(const std::string& table) {
        std::vector<std::string> codes;
        std::istringstream lines(table);
        std::string line;
        std::getline(lines, line);  // header
        while (std::getline(lines, line)) codes.push_back(line.substr(0, line.find(' ')));
        return codes;
    }
};

TEST_F(OrderClassCli, StatsAndDayGiveTheClassesByTheChosenConvention) {
    const std::string path = Day("d.xls", "20000103 A (600001)",
                                 {"09:30:01\t1.00\t200\tB", "09:30:02\t1.99\t5000\tS", "09:30:03\t3.00\t133\t"});
    const auto shares = Run({"stats", path, "--json"});
    ASSERT_EQ(shares.status, 0) << shares.err;
    EXPECT_NE(shares.out.find("\"convention\": \"shares-or-amount\""), std::string::npos);
    // 200 lots are 中单 by shares; 5000 lots are 超大单 by shares though under 100万.
    EXPECT_NE(shares.out.find("\"inflow\": [\n      {\n        \"lots\": 0,\n        \"amount\": 0\n      },\n"
                              "      {\n        \"lots\": 200,\n        \"amount\": 2\n      }"),
              std::string::npos)
        << shares.out;

    const auto amount = Run({"stats", path, "--order-classes", "amount-only"});
    ASSERT_EQ(amount.status, 0) << amount.err;
    EXPECT_NE(amount.out.find("按金额分类 (amount-only)"), std::string::npos);
    // amount-only: 200 lots at 1.00 are 小单 (2万), 5000 at 1.99 大单 (99.5万), 133 at 3.00 小单 (3.99万);
    // shares of the day's 105.49万.
    EXPECT_NE(amount.out.find("小单    200(2.0万元)  0(0.0万元)      200(2.0万元)      1.90%"), std::string::npos)
        << amount.out;
    EXPECT_NE(amount.out.find("大单    0(0.0万元)    5000(99.5万元)  -5000(-99.5万元)  -94.32%"), std::string::npos)
        << amount.out;

    // The stored day keeps the convention of its last run.
    const auto day = Run({"day", "A(600001)20000103", "--json"});
    ASSERT_EQ(day.status, 0) << day.err;
    EXPECT_NE(day.out.find("\"convention\": \"amount-only\""), std::string::npos);
    EXPECT_NE(Run({"day", "A(600001)20000103"}).out.find("-5000(-99.5万元)"), std::string::npos);

    const auto wrong = Run({"stats", path, "--order-classes", "lots"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("takes shares-or-amount or amount-only, not lots"), std::string::npos) << wrong.err;
    EXPECT_EQ(Run({"import", path, "--order-classes", "x"}).status, 2);

    // import stores each day with the convention given, replacing the day's earlier classes.
    ASSERT_EQ(Run({"import", path}).status, 0);
    EXPECT_NE(Run({"day", "A(600001)20000103", "--json"}).out.find("\"convention\": \"shares-or-amount\""),
              std::string::npos);
    ASSERT_EQ(Run({"import", path, "--order-classes", "amount-only"}).status, 0);
    EXPECT_NE(Run({"day", "A(600001)20000103", "--json"}).out.find("\"convention\": \"amount-only\""),
              std::string::npos);
}

TEST_F(OrderClassCli, DayStoredWithoutClassesShowsNullAndDashesAndSaysWhy) {
    StoreDays();
    DropClasses("B(600002)20000103");
    const auto json = Run({"day", "B(600002)20000103", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"orderClasses\": null"), std::string::npos) << json.out;
    const auto text = Run({"day", "B(600002)20000103"});
    EXPECT_NE(text.out.find("主力    —    —    —    —"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("重新导入该日后显示"), std::string::npos);
    const auto history = Run({"history", "B(600002)", "20000101", "20000131", "--csv"});
    EXPECT_NE(history.out.find(",100,4.0,100,4.0,—,—\r\n"), std::string::npos) << history.out;
}

TEST_F(OrderClassCli, RankSortsByTheChosenFigureWithTiesByCode) {
    StoreDays();
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> codes;
    };
    for (const Case& c : {Case{{"20000103", "20000104"}, {"A(600001)", "B(600002)", "C(600003)"}},
                          Case{{"20000103", "20000104", "--by", "main"}, {"A(600001)", "B(600002)", "C(600003)"}},
                          Case{{"20000103", "--by", "medium"}, {"B(600002)", "C(600003)", "A(600001)"}},
                          Case{{"2000-01-04", "--by", "net"}, {"A(600001)"}},
                          Case{{"20000103", "20000104", "--by", "large"}, {"B(600002)", "C(600003)", "A(600001)"}},
                          Case{{"20000103", "20000104", "--top", "2"}, {"A(600001)", "B(600002)"}},
                          // A long range is read in two halves of the stocks, split at B: the same rows.
                          Case{{"19991201", "20001231"}, {"A(600001)", "B(600002)", "C(600003)"}},
                          Case{{"19991201", "20001231", "--by", "medium"}, {"B(600002)", "C(600003)", "A(600001)"}},
                          Case{{"20000104", "20001231"}, {"A(600001)"}}}) {
        std::vector<std::string> args{"rank"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto out = Run(args);
        ASSERT_EQ(out.status, 0) << out.err;
        EXPECT_EQ(Codes(out.out), c.codes) << out.out;  // every day has classes: no note under the table
    }
}

TEST_F(OrderClassCli, RankSumsTheDaysAndTheClassFiguresOfTheClassDaysOnly) {
    StoreDays();
    DropClasses("A(600001)20000104");
    DropClasses("C(600003)20000103");
    const auto out = Run({"rank", "20000101", "20000131", "--json"});
    ASSERT_EQ(out.status, 0) << out.err;
    const std::string a = out.out.substr(out.out.find("\"A(600001)\""));
    // Both days count in the net flows, only the first in the class figures.
    EXPECT_EQ(a.substr(0, a.find('}')),
              "\"A(600001)\",\n      \"days\": 2,\n      \"netAmount\": 176,\n      \"netWithUncertainAmount\": 176,\n"
              "      \"classDays\": 1,\n      \"mainNetAmount\": 200,\n      \"superNetAmount\": 200,\n"
              "      \"largeNetAmount\": 0,\n      \"mediumNetAmount\": -4,\n      \"smallNetAmount\": 0,\n"
              "      \"totalAmount\": 204,\n      \"mainNetShare\": 98.0392156862745\n    ");
    // A long range (two halves of the stocks on two connections) gives the same rows to the bit.
    const auto year = Run({"rank", "19990101", "20001231", "--json"});
    ASSERT_EQ(year.status, 0) << year.err;
    EXPECT_EQ(year.out.substr(year.out.find("\"rows\"")), out.out.substr(out.out.find("\"rows\"")));
    const std::string c = out.out.substr(out.out.find("\"C(600003)\""));
    EXPECT_NE(c.find("\"classDays\": 0"), std::string::npos);
    EXPECT_NE(c.find("\"mainNetShare\": null"), std::string::npos);
    EXPECT_NE(out.out.find("\"by\": \"net\""), std::string::npos);

    // The terminal says why some class figures are short.
    EXPECT_NE(Run({"rank", "20000101", "20000131"}).out.find("重新导入后补全"), std::string::npos);
    const auto csv = Run({"rank", "20000103", "--csv"});
    ASSERT_EQ(csv.status, 0);
    EXPECT_NE(csv.out.find("C(600003),1,4,4,0,—,—,—,—,—,—,—\r\n"), std::string::npos) << csv.out;
}

// Days whose figures add up with noise in doubles (0.1 + 0.2 is 0.30000000000000004): the sums
// are exact in every output. D buys 10 and 20 lots at 1.00 (0.1 and 0.2万元, 小单); E sells them at
// 1.01 (0.101 and 0.202万元), stored in the buckets as 0.1 and 0.2, in the classes as they are.
TEST_F(OrderClassCli, RankSumsAreExactWhereDoublesAddNoise) {
    for (const auto& [name, a1, row] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"d1.xls", "20000110 D (600004)", "09:30:01\t1.00\t10\tB"},
             {"d2.xls", "20000111 D (600004)", "09:30:01\t1.00\t20\tB"},
             {"e1.xls", "20000110 E (600005)", "09:30:01\t1.01\t10\tS"},
             {"e2.xls", "20000111 E (600005)", "09:30:01\t1.01\t20\tS"}}) {
        ASSERT_EQ(Run({"stats", Day(name, a1, {row})}).status, 0) << name;
    }
    const auto json = Run({"rank", "20000110", "20000111", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* figure :
         {"\"netAmount\": 0.3,", "\"netWithUncertainAmount\": 0.3,", "\"smallNetAmount\": 0.3,",
          "\"totalAmount\": 0.3,", "\"netAmount\": -0.3,", "\"smallNetAmount\": -0.303,", "\"totalAmount\": 0.303,"}) {
        EXPECT_NE(json.out.find(figure), std::string::npos) << figure << "\n" << json.out;
    }
    const auto csv = Run({"rank", "20000110", "20000111", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_NE(csv.out.find("D(600004),2,0.3,0.3,2,0,0,0,0,0.3,0.3,0\r\n"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("E(600005),2,-0.3,-0.3,2,0,0,0,0,-0.303,0.303,0\r\n"), std::string::npos) << csv.out;
}

TEST_F(OrderClassCli, RankRefusesAnEmptyRangeAndWrongArguments) {
    StoreDays();
    const auto empty = Run({"rank", "20000105", "20000131"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("所选时间段内没有保存的数据"), std::string::npos) << empty.err;
    EXPECT_TRUE(empty.out.empty());
    for (const std::vector<std::string>& args : {std::vector<std::string>{"rank"},
                                                 {"rank", "20000104", "20000103"},
                                                 {"rank", "20000103", "--by", "total"},
                                                 {"rank", "20000103", "--top", "0"},
                                                 {"rank", "20000103", "--top", "2x"},
                                                 {"rank", "20000132"},
                                                 {"rank", "20000103", "--json", "--csv"}}) {
        EXPECT_EQ(Run(args).status, 2) << args.back();
    }
}

}  // namespace
}  // namespace moxtel
