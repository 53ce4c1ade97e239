#pragma once

namespace moxtel {

// The layouts paragraph of "moxtel-flow stats --help": which tick tables stats reads, with a
// small example of each.
inline constexpr const char* kStatsLayoutsHelp =
    "tick tables read by stats (and how the day and stock are found):\n"
    "  1. the export layout: the title cell A1 holds the date and the stock, the trades start in row 6\n"
    "     as time, price, lots (手) and direction (\"B\" in, \"S\" out, empty uncertain) in column 4 or 5:\n"
    "       20241204 平安银行 (000001)\n"
    "       (rows 2 to 5 are not read)\n"
    "       09:30:01  11.50  25   3\n"
    "       09:30:05  11.51  10   2   B\n"
    "  2. tick-detail tables with one header row, as the quote sites give them and the Python data\n"
    "     libraries save them: UTF-8 CSV with or without BOM, .xlsx, or GBK/GB18030 tab text named .xls;\n"
    "     earliest or latest trade first (any other order is sorted by time, with a warning); a leading\n"
    "     unnamed index column is fine:\n"
    "       成交时间,成交价格,价格变动,成交量,成交金额,性质\n"
    "       09:30:01,11.50,0.00,25,28750,中性盘\n"
    "       09:30:05,11.51,0.01,10,11510,买盘\n"
    "     columns by name, in any order, English ones in any case: time 成交时间|时间|time|timestamp|\n"
    "     datetime (a date before the time gives the day; or a column 日期|date), price 成交价格|成交价|\n"
    "     价格|price, lots 成交量|成交量(手)|volume|vol, direction 性质|买卖方向|类型|type|direction|side|\n"
    "     bs|buyorsell (买盘|买入|buy|B in, 卖盘|卖出|sell|S out, 中性盘|中性|neutral|N|empty uncertain;\n"
    "     or 1 in, -1 out, 0 uncertain; other numbers with --direction-codes BUY,SELL,NEUTRAL, e.g. 0,1,2);\n"
    "     other columns are ignored.\n"
    "     These tables carry no date or stock: give --date YYYYMMDD and --stock 名称(代码) (or a six-digit\n"
    "     code), or let the file name hold an eight-digit date and a six-digit code, e.g.\n"
    "     sz000001_20241204.csv or 600000-2024-12-04.xlsx, or let the table's cells give the date and\n"
    "     the nearest folders named just a date or a code (sz/300027/tick/2018-01-15.csv) the rest;\n"
    "     the name is then taken from a stored day of that code, else the code stands for it\n"
    "     (000001(000001)). A workbook's sheet name counts as its file name does\n"
    "     (0600000_成交明细_2016-05-23). A table of several dates needs --date to choose one.\n"
    "     A trade list without a direction column is refused unless --infer-direction tick-rule: then a\n"
    "     trade above the one before is a buy, below it a sell, at its price as the one before, the\n"
    "     first neutral, and the day is stored marked 推断方向.\n";

}  // namespace moxtel
