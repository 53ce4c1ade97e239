#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/FlowCli.h"
#include "core/data/CAdoDatabase.h"

namespace moxtel::test {

// Runs moxtel-flow in-process against a database of its own in a fresh temporary folder (named with
// the process id, so two checkouts testing at once never share one).
class CliTest : public ::testing::Test {
protected:
    struct Outcome {
        int status;
        std::string out;
        std::string err;
    };

    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("moxtel-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_db = (m_dir / "moxtel.db").string();
        m_store.SetDatabaseFile(m_db);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    Outcome Run(std::vector<std::string> args, const std::string& input = "", bool interactive = false) {
        args.insert(args.begin(), {"--db", m_db});
        std::ostringstream out, err;
        std::istringstream in(input);
        const int status = RunFlowCli(args, out, err, in, interactive);
        return {status, out.str(), err.str()};
    }

    // A tab-separated workbook holding the worked day: A1, rows 2..5 empty, four trades from row 6.
    std::string WorkedDayText(const std::string& name = "day.xls", const std::string& a1 = "20000101 ABC (600000)") {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary) << a1 << "\n\n\n\n\n"
                                              << "09:30:01\t10.00\t50\t3\t\n09:30:05\t10.04\t150\t5\tB\n"
                                              << "09:30:09\t10.00\t1200\t9\tS\n09:30:12\t10.02\t300\t4\t\n";
        return path.string();
    }

    // Number of rows a query gives in the test database.
    int Count(const std::string& sql, const SqlParams& params = {}) {
        CAdoDatabase db(m_store);
        db.OpenRecordset(sql, params);
        int n = 0;
        if (!db.IsEOF()) {
            db.MoveFirst();
            while (!db.IsEOF()) {
                ++n;
                db.MoveNext();
            }
        }
        return n;
    }

    std::filesystem::path m_dir;
    std::string m_db;
    StoreContext m_store;  // the test's own look at the database the commands work on
};

}  // namespace moxtel::test
