// docs/architecture.md against the program: every table and column of a new database and every
// field of each command's JSON, with what differs named.
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "CliTestSupport.h"

namespace moxtel::test {
namespace {

using Names = std::vector<std::string>;

// Under "## section", the backticked names in the first cell of each table row, per "### heading";
// a heading naming several ("### a, b") gives each of them the rows below it.
std::map<std::string, Names> DocumentedNames(const std::string& section) {
    std::ifstream in(std::string(MOXTEL_TEST_DATA_DIR) + "/../../docs/architecture.md");
    std::map<std::string, Names> names;
    std::vector<std::string> headings;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## " + section;
            headings.clear();
        } else if (inSection && line.rfind("### ", 0) == 0) {
            headings.clear();
            for (std::size_t at = 4; at < line.size();) {
                const std::size_t comma = std::min(line.find(", ", at), line.size());
                headings.push_back(line.substr(at, comma - at));
                names[headings.back()];
                at = comma + 2;
            }
        } else if (inSection && !headings.empty() && line.rfind("| `", 0) == 0) {
            const std::string cell = line.substr(0, line.find(" |", 1));
            for (std::size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
                const std::size_t close = cell.find('`', open + 1);
                for (const std::string& heading : headings)
                    names[heading].push_back(cell.substr(open + 1, close - open - 1));
                open = close + 1;
            }
        }
    }
    return names;
}

std::string Differences(const Names& documented, const Names& actual, bool ordered) {
    std::string text;
    for (const auto& name : actual)
        if (std::find(documented.begin(), documented.end(), name) == documented.end())
            text += " undocumented " + name + ";";
    for (const auto& name : documented)
        if (std::find(actual.begin(), actual.end(), name) == actual.end())
            text += " documented but absent " + name + ";";
    if (text.empty() && ordered && documented != actual) text = " documented in another order;";
    return text;
}

// Every member path of a document ("a", "a[].b", "[].name"), each once.
void CollectPaths(const nlohmann::ordered_json& value, const std::string& path, Names& paths) {
    if (value.is_object()) {
        for (const auto& item : value.items()) {
            const std::string member = path.empty() ? item.key() : path + "." + item.key();
            if (std::find(paths.begin(), paths.end(), member) == paths.end()) paths.push_back(member);
            CollectPaths(item.value(), member, paths);
        }
    } else if (value.is_array()) {
        for (const auto& element : value) CollectPaths(element, path + "[]", paths);
    }
}

using ArchitecturePage = CliTest;

TEST_F(ArchitecturePage, SchemaListsEveryTableAndColumnInOrder) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);  // creates the database
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(m_db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::map<std::string, Names> actual;
    const auto column = [](sqlite3_stmt* s, int i) {
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
    };
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "select name from sqlite_master where type='table'", -1, &tables, nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
        const std::string table = column(tables, 0);
        sqlite3_stmt* info = nullptr;
        sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &info, nullptr);
        while (sqlite3_step(info) == SQLITE_ROW) actual[table].push_back(column(info, 1));
        sqlite3_finalize(info);
    }
    sqlite3_finalize(tables);
    sqlite3_close(db);

    const auto documented = DocumentedNames("Database schema");
    Names actualTables, documentedTables;
    for (const auto& [table, columns] : actual) actualTables.push_back(table);
    for (const auto& [table, columns] : documented) documentedTables.push_back(table);
    EXPECT_EQ(Differences(documentedTables, actualTables, false), "") << "tables";
    for (const auto& [table, columns] : actual) {
        if (documented.count(table)) {
            EXPECT_EQ(Differences(documented.at(table), columns, true), "") << table;
        }
    }
}

TEST_F(ArchitecturePage, JsonListsEveryFieldOfEveryCommand) {
    // Every array of every document gets elements: uncertain trades, a stored day, a template, and an
    // import with a duplicate, a failure and a file that is no workbook.
    ASSERT_EQ(Run({"stats", WorkedDayText(), "--previous-close", "10.00"}).status, 0);
    ASSERT_EQ(Run({"templates", "add", "T", "0-300", "300-500", "500-800", "800-1000", "1000-1000+"}).status, 0);
    std::filesystem::create_directories(m_dir / "in");
    WorkedDayText("in/a.xls", "20000102 ABC (600000)");
    WorkedDayText("in/b.xls", "20000102 ABC (600000)");
    std::ofstream(m_dir / "in/notes.txt") << "just some notes\n";
    std::ofstream(m_dir / "in/c.xls", std::ios::binary)
        << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "broken";
    const std::map<std::string, std::vector<std::string>> commands{
        {"stats", {"stats", WorkedDayText(), "--no-store", "--json"}},
        {"day", {"day", "ABC(600000)20000101", "--json"}},
        {"history", {"history", "ABC(600000)", "20000101", "20000101", "--json"}},
        {"import", {"import", (m_dir / "in").string(), "--json"}},
        {"templates", {"templates", "list", "--json"}},
        {"rank", {"rank", "20000101", "--json"}},
    };
    const auto documented = DocumentedNames("JSON of each command");
    for (const auto& [name, args] : commands) {
        const auto r = Run(args);
        Names paths;
        CollectPaths(nlohmann::ordered_json::parse(r.out), "", paths);
        ASSERT_TRUE(documented.count(name)) << "no section for " << name;
        EXPECT_EQ(Differences(documented.at(name), paths, false), "") << name << "\n" << r.out.substr(0, 2000);
    }
    EXPECT_EQ(documented.size(), commands.size());
}

}  // namespace
}  // namespace moxtel::test
