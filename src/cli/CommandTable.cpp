// The commands of moxtel-flow and their help texts, in the order the usage lists them.
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/LayoutsHelp.h"

namespace moxtel {

const std::vector<CliCommand>& CliCommandTable() {
    static const std::vector<CliCommand> table = {
        {"stats",
         "WORKBOOK [--previous-close P] [--turnover T] [--template NAME] [--no-store] [--json]\n"
         "        [--date YYYYMMDD] [--stock 名称(代码)] [--direction-codes BUY,SELL,NEUTRAL]\n"
         "        [--order-classes shares-or-amount|amount-only] [--infer-direction tick-rule]",
         "classify and bucket one day's trades and store the day",
         "  WORKBOOK              .xls, .xlsx or tab/comma-separated text: the standard layout (A1 holds\n"
         "                        the date and the stock) or a header table (see below)\n"
         "  --previous-close P    the previous day's closing price (a number), compared with the first trade\n"
         "  --turnover T          the day's turnover rate (a number), stored with the day\n"
         "  --template NAME       show the intervals of a stored template instead of the defaults\n"
         "  --no-store            compute and show only; the database is not changed\n"
         "  --json                the buckets, figures and uncertain trades as JSON\n"
         "  --date YYYYMMDD       header tables only: the trading day, YYYYMMDD or YYYY-MM-DD; of a\n"
         "                        table holding several dates, the day to take\n"
         "  --stock 名称(代码)    header tables only: the stock, or its six-digit code; a workbook in\n"
         "                        the standard layout keeps the date and stock of its A1\n"
         "  --direction-codes BUY,SELL,NEUTRAL\n"
         "                        header tables only: what the numbers of a direction column mean,\n"
         "                        e.g. 0,1,2 (without it 1 buys, -1 sells and 0 is neutral)\n"
         "  --order-classes C     shares-or-amount (default) or amount-only: how trades fall into\n"
         "                        小单, 中单, 大单 and 超大单; the day is stored with it\n"
         "  --infer-direction tick-rule\n"
         "                        trade lists without a direction column only: a trade above the\n"
         "                        trade before is a buy, below it a sell, at its price the direction\n"
         "                        before, the first trade neutral; the day is stored marked 推断方向\n"
         "  A day stored before for the same stock and date is replaced.\n",
         "  moxtel-flow stats day.xls --previous-close 10.25 --turnover 1.8 --template 大单\n", RunStatsCommand,
         "--previous-close --turnover --template --no-store --json --date --stock --direction-codes --order-classes "
         "--infer-direction",
         kStatsLayoutsHelp},
        {"import",
         "PATH... [--jobs N] [--json] [--direction-codes BUY,SELL,NEUTRAL]\n"
         "        [--order-classes shares-or-amount|amount-only] [--infer-direction tick-rule]",
         "store many workbooks (files and folders) per stock in trade-date order",
         "  PATH                  files and folders (walked recursively); each file is read once.\n"
         "                        Skipped and counted: text that is no tick table, a ZIP without\n"
         "                        xl/workbook.xml (.zip, .docx), a compound file without a workbook\n"
         "                        stream (.doc), an empty file. Failed: a path that is missing or cannot\n"
         "                        be read, a pipe or device named, a damaged or encrypted workbook, a\n"
         "                        workbook or tick table that cannot be read as a day (no date in its\n"
         "                        name, its folders or its cells). A header table of several dates\n"
         "                        gives one day per date\n"
         "  --jobs N              read on N threads (default: the number of cores); one writer stores\n"
         "  --json                the summary as JSON, with one entry per failed and per skipped file;\n"
         "                        bytes of a file name that are not UTF-8 become U+FFFD\n"
         "  --direction-codes BUY,SELL,NEUTRAL\n"
         "                        what the numbers of header tables' direction columns mean, e.g. 0,1,2\n"
         "  --order-classes C     shares-or-amount (default) or amount-only, as for stats\n"
         "  --infer-direction tick-rule\n"
         "                        infer the directions of trade lists without them, as for stats\n"
         "  Each day is stored in its own transaction, per stock in date order, so each day's previous\n"
         "  close comes from the stored day before it. The same stock and day twice: the later file in\n"
         "  the order given is stored. Each failure is also written to stderr, and each skipped file\n"
         "  is listed with the reason (the first 10 in text). Exit status: 0 when every file was\n"
         "  imported or skipped and something was stored, 1 when any failed, nothing was stored or the\n"
         "  import was interrupted (Ctrl-C keeps every day already stored), 2 on wrong usage.\n",
         "  moxtel-flow import ~/ticks/2026 --jobs 2\n", RunImportCommand,
         "--jobs --json --direction-codes --order-classes --infer-direction"},
        {"history", "CODE FROM TO [--template NAME] [--json | --csv]",
         "list the stored days of a stock between two dates",
         "  CODE                  the stock code as stored, taken from A1, e.g. 岚谷示例(600999)\n"
         "  FROM TO               dates YYYYMMDD or YYYY-MM-DD, both included, FROM not after TO\n"
         "  --template NAME       sum the days over the intervals of a stored template\n"
         "  --json | --csv        machine-readable rows (CSV: UTF-8, CRLF line ends)\n",
         "  moxtel-flow history '岚谷示例(600999)' 20261201 20261231 --csv > december.csv\n", RunHistoryCommand,
         "--template --json --csv"},
        {"day", "MASTERID [--template NAME] [--json | --csv]", "show one stored day",
         "  MASTERID              the stock code followed by the date, e.g. 岚谷示例(600999)20261204\n"
         "                        (the history command's JSON lists it for every day)\n"
         "  --template NAME       show the intervals of a stored template instead of the defaults\n"
         "  --json                figures, buckets and uncertain trades as JSON\n"
         "  --csv                 the totals, interval and bucket rows as CSV (UTF-8, CRLF line ends)\n",
         "  moxtel-flow day '岚谷示例(600999)20261204' --template 大单\n", RunDayCommand, "--template --json --csv"},
        {"rank", "FROM [TO] [--by KEY] [--top N] [--json | --csv]",
         "rank the stored stocks by their flows over a date range",
         "  FROM [TO]             dates YYYYMMDD or YYYY-MM-DD, both included (TO defaults to FROM)\n"
         "  --by KEY              net (default), netWithUncertain, main, super, large, medium or small:\n"
         "                        the sum of 流向, 流向(加未知流向), or the net amount of 主力 (大单 +\n"
         "                        超大单), 超大单, 大单, 中单 or 小单; largest first, ties by stock code\n"
         "  --top N               keep the first N stocks\n"
         "  --json | --csv        machine-readable rows, amounts in 万元 (CSV: UTF-8, CRLF line ends)\n"
         "  Class figures sum over the days stored with order classes (classDays); a day stored before\n"
         "  they were kept counts in days and the net flows only. A range without stored days fails.\n",
         "  moxtel-flow rank 20261201 20261231 --by main --top 20\n", RunRankCommand, "--by --top --json --csv"},
        {"clear", "CODE DATE [--yes]", "delete the stored days of a stock up to and including DATE",
         "  CODE                  the stock code as stored, e.g. 岚谷示例(600999)\n"
         "  DATE                  YYYYMMDD or YYYY-MM-DD; every stored day up to it is deleted\n"
         "  --yes                 do not ask (needed when standard input is not a terminal)\n",
         "  moxtel-flow clear '岚谷示例(600999)' 20261130 --yes\n", RunClearCommand, "--yes"},
        {"backup", "", "copy the database into its BACKUP folder",
         "  The copy replaces the previous one; the desktop program makes the same copy when it closes.\n",
         "  moxtel-flow backup\n", RunBackupCommand, ""},
        {"restore", "[--from PATH] [--yes]", "put the checked BACKUP copy (or PATH) back in place of the database",
         "  --from PATH           restore from this copy instead of the BACKUP folder's\n"
         "  --yes                 do not ask (needed when standard input is not a terminal)\n"
         "  The present file is kept as FILE.damaged-DATE-TIME.\n",
         "  moxtel-flow restore --yes\n", RunRestoreCommand, "--from --yes"},
        {"templates", "list [--json] | add|update NAME I1 I2 I3 I4 I5 | delete NAME",
         "list, add, change and delete the statistics templates",
         "  I1 .. I5              five intervals FROM-TO in lots: FROM 0..1000 in hundreds, TO 100..1000\n"
         "                        in hundreds or 1000+; an empty FROM or TO counts as 0 and FROM must not\n"
         "                        be above TO (0-300, 1000-1000+, -300; - counts nothing)\n"
         "  add                   a new template; the name must not exist yet\n"
         "  update                change the intervals of an existing template\n"
         "  delete                delete the named template\n",
         "  moxtel-flow templates add 大单 0-300 300-500 500-800 800-1000 1000-1000+\n"
         "  moxtel-flow templates list\n",
         RunTemplatesCommand, "--json"},
    };
    return table;
}

const CliCommand* FindCliCommand(const std::string& name) {
    for (const auto& command : CliCommandTable()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

bool TakesOption(const CliCommand& command, const std::string& option) {
    const std::string options = std::string(" ") + command.options + " ";
    return options.find(" " + option + " ") != std::string::npos;
}

void WriteUsage(std::ostream& out) {
    out << "usage: moxtel-flow [--db PATH] COMMAND ...\n\ncommands:\n";
    for (const auto& command : CliCommandTable()) {
        out << "  " << command.name << (*command.synopsis ? " " : "") << command.synopsis << "\n"
            << "      " << command.summary << "\n";
    }
    out << "\n"
           "--db PATH   database file (default $XDG_DATA_HOME/moxtel/data/moxtel.db)\n"
           "--version   print the version\n"
           "'moxtel-flow COMMAND --help' shows a command's options and an example.\n";
}

void WriteCommandHelp(std::ostream& out, const CliCommand& command) {
    out << "usage: moxtel-flow [--db PATH] " << command.name << (*command.synopsis ? " " : "") << command.synopsis
        << "\n\n"
        << command.summary << "\n\n"
        << command.details << "\nexample:\n"
        << command.example;
    if (command.more) out << "\n" << command.more;
}

std::string CliVersion() { return MOXTEL_VERSION; }

}  // namespace moxtel
