#!/usr/bin/python3
"""Writes the tick tables of the layout tests: one trading day in the standard export layout and
the same trades as the quote sites' tick-detail tables, the way the data libraries save them.

Run with the system Python (python3-openpyxl, python3-xlwt):  /usr/bin/python3 tests/data/make_layout_fixtures.py
pandas itself is not needed: its files are written as it writes them (to_csv puts the index in a
leading column with an empty header; to_excel does the same with an empty header cell).
"""
import csv
import io
import os
import random

import openpyxl
import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

DATE = "20241204"
STOCK = "平安银行(000001)"
TITLE = "20241204 平安银行 (000001)"


def general(value):
    """A number as a spreadsheet's General format and pandas' to_csv show it: 10.5, 10, 1200."""
    text = "%.2f" % value
    return text.rstrip("0").rstrip(".") if "." in text else text


def make_trades():
    """(time, price, lots, direction) earliest first; direction "B", "S" or "" (uncertain).

    Equal times on purpose (the order within a second must survive a latest-first table), lots at
    the bucket bounds, uncertain trades first, last and next to each other.
    """
    rng = random.Random(20241204)
    trades = []
    second = 9 * 3600 + 30 * 60
    price = 11.50
    for i in range(60):
        if rng.random() < 0.7:
            second += rng.randint(1, 9)
        price = max(0.01, round(price + rng.choice([-0.02, -0.01, 0, 0, 0.01, 0.02]), 2))
        lots = rng.choice([1, 50, 99, 100, 101, 299, 300, 999, 1000, 2500, rng.randint(1, 3000)])
        direction = rng.choice(["B", "B", "S", "S", ""])
        trades.append(("%02d:%02d:%02d" % (second // 3600, second // 60 % 60, second % 60), price, lots, direction))
    trades[0] = trades[0][:3] + ("",)
    trades[-1] = trades[-1][:3] + ("",)
    trades[30] = trades[30][:3] + ("",)
    trades[31] = trades[31][:3] + ("",)
    return trades


def write_standard(path, trades):
    """The export layout: title in A1, a header in row 5, trades from row 6, direction in column 5."""
    lines = [TITLE, "", "", "", "时间\t价格\t现手\t笔数\t性质"]
    for time, price, lots, direction in trades:
        lines.append("\t".join([time, general(price), str(lots), str(1 + lots % 7), direction]))
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")


def rows_for(trades, words, with_amount=True):
    rows = []
    for time, price, lots, direction in trades:
        row = [time, general(price), str(lots)]
        if with_amount:
            row.append(general(price * lots * 100))
        row.append(words[direction])
        rows.append(row)
    return rows


def write_csv(path, header, rows, bom, index):
    buffer = io.StringIO()
    writer = csv.writer(buffer, lineterminator="\n")
    writer.writerow(([""] if index else []) + header)
    for i, row in enumerate(rows):
        writer.writerow(([str(i)] if index else []) + row)
    with open(path, "w", encoding="utf-8-sig" if bom else "utf-8", newline="") as out:
        out.write(buffer.getvalue())


def write_gbk_tab(path, header, rows):
    text = "\t".join(header) + "\r\n" + "".join("\t".join(row) + "\r\n" for row in rows)
    with open(path, "wb") as out:
        out.write(text.encode("gb18030"))


def write_xlsx(path, header, trades, words):
    """As pandas' to_excel saves it through openpyxl: index column with an empty header, numbers as numbers."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Sheet1"
    for col, text in enumerate(header, start=2):
        sheet.cell(row=1, column=col, value=text)
    for i, (time, price, lots, direction) in enumerate(trades):
        values = [i, time, price, lots, words[direction]]
        for col, value in enumerate(values, start=1):
            sheet.cell(row=i + 2, column=col, value=value)
    book.save(path)


def seconds_grouped_shuffle(trades):
    """The trades in an order that is neither earliest nor latest first, as after sorting a sheet by
    price, but with the trades of one second still in their true order: sorting by time restores the day."""
    groups = []
    for trade in trades:
        if groups and groups[-1][0][0] == trade[0]:
            groups[-1].append(trade)
        else:
            groups.append([trade])
    random.Random(15).shuffle(groups)
    return [trade for group in groups for trade in group]


def write_english(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="") as out:
        csv.writer(out, lineterminator="\n").writerows([header] + rows)


def write_xlsx_datetime(path, trades, codes):
    """pandas' to_excel of a frame with a datetime column: real date-time cells, numeric directions."""
    import datetime
    book = openpyxl.Workbook()
    sheet = book.active
    for col, text in enumerate(["", "datetime", "price", "vol", "side"], start=1):
        sheet.cell(row=1, column=col, value=text or None)
    for i, (time, price, lots, direction) in enumerate(trades):
        h, m, s = (int(x) for x in time.split(":"))
        when = datetime.datetime(2024, 12, 4, h, m, s)
        sheet.cell(row=i + 2, column=1, value=i)
        cell = sheet.cell(row=i + 2, column=2, value=when)
        cell.number_format = "yyyy-mm-dd hh:mm:ss"
        sheet.cell(row=i + 2, column=3, value=price)
        sheet.cell(row=i + 2, column=4, value=lots)
        sheet.cell(row=i + 2, column=5, value=codes[direction])
    book.save(path)


def write_new_shapes(trades):
    """The English shapes of the data libraries, each the same 60 trades as the export."""
    folder = os.path.join(HERE, "by-folder", "sz", "000001", "tick")
    os.makedirs(folder, exist_ok=True)
    numbers = {"B": "1", "S": "-1", "": "0"}
    write_english(os.path.join(folder, "2024-12-04.csv"), ["timestamp", "price", "volume", "turnover", "direction"],
                  [["2024-12-04 " + t, general(p), str(l), general(p * l * 100), numbers[d]] for t, p, l, d in trades])
    words = {"B": "buy", "S": "SELL", "": "Neutral"}
    write_english(os.path.join(HERE, "header-english-shuffled-000001-20241204.csv"),
                  ["time", "price", "change", "volume", "amount", "type"],
                  [[t, general(p), "0", str(l), general(p * l * 100), words[d]]
                   for t, p, l, d in seconds_grouped_shuffle(trades)])
    letters = {"B": "b", "S": "s", "": "n"}
    write_english(os.path.join(HERE, "header-date-and-time-000001.csv"), ["", "date", "time", "price", "vol", "bs"],
                  [[str(i), "2024/12/4", t, general(p), str(l), letters[d]] for i, (t, p, l, d) in enumerate(trades)])
    write_xlsx_datetime(os.path.join(HERE, "header-datetime-codes-012-000001.xlsx"), trades, {"B": 0, "S": 1, "": 2})
    # Two days in one table, the second one a copy of the first a trading day later.
    rows = [["2024-12-0%d %s" % (day, t), general(p), str(l), numbers[d]] for day in (4, 5) for t, p, l, d in trades]
    write_english(os.path.join(HERE, "header-two-days-000001.csv"), ["datetime", "price", "volume", "bs"], rows)


def write_feed_shapes(trades):
    """A quote site's download, a data library's frame and exchange Level-2 trade records, each
    holding the same 60 trades of 000001 as the export."""
    sina = {"B": "买盘", "S": "卖盘", "": "中性盘"}
    # Seven-digit code of the site (1 for Shenzhen), full-width brackets, tab text under .xls.
    rows = [[t, general(p), "0", str(l), general(p * l * 100), sina[d]] for t, p, l, d in trades]
    write_gbk_tab(os.path.join(HERE, "1000001.xls"), ["成交时间", "成交价", "价格变动", "成交量（手）", "成交额（元）", "性质"],
                  rows)
    # The site's real workbook: General numbers, times as text, the code and date in the sheet's name only.
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("1000001_成交明细_2024-12-04")
    for c, head in enumerate(["成交时间", "成交价", "价格变动", "成交量（手）", "成交额（元）", "性质"]):
        sheet.write(0, c, head)
    for r, (t, p, l, d) in enumerate(trades, start=1):
        for c, value in enumerate([t, p, 0, l, round(p * l * 100, 2), sina[d]]):
            sheet.write(r, c, value)
    book.save(os.path.join(HERE, "quote-download.xls"))
    # The frame: a code column, and the time the data was fetched on another day.
    write_csv(os.path.join(HERE, "frame-20241204.csv"),
              ["时间", "成交价", "价格变动", "成交量", "成交额", "买卖盘性质", "股票代码", "采集时间"],
              [[t, general(p), "0", str(l), general(p * l * 100), sina[d], "000001", "2024-12-05 16:00:01"]
               for t, p, l, d in trades], bom=True, index=False)
    # Level-2: shares, milliseconds, B/S/N, and a second security interleaved.
    flags = {"B": "B", "S": "S", "": "N"}
    rows = []
    for i, (t, p, l, d) in enumerate(trades):
        when = "2024.12.04T%s.%03d" % (t, 100 + i)
        rows.append(["000001", when, general(p), str(l * 100), general(p * l * 100), str(i), str(i + 1), flags[d]])
        if i % 3 == 0:
            rows.append(["600000", when, "8.5", str(150 + i), "0", str(i), str(i + 1), "S" if i % 2 else "B"])
    write_english(os.path.join(HERE, "level2-two-stocks.csv"),
                  ["SecurityID", "TradeTime", "TradePrice", "TradeQty", "TradeAmount", "BuyNo", "SellNo",
                   "TradeBSFlag"], rows)
    # Not trades: a 3-second snapshot, and a trade list with no direction.
    write_english(os.path.join(HERE, "snapshot-000001-20241204.csv"),
                  ["时间", "最新价", "成交笔数", "成交额", "成交量", "方向", "买一价", "卖一价"],
                  [["09:30:03", "11.5", "12", "138000", "120", "B", "11.49", "11.5"]])
    write_english(os.path.join(HERE, "no-direction-000001-20241204.csv"), ["Symbol", "Datetime", "Price", "Volume"],
                  [["000001", "2024-12-04 " + t, general(p), str(l)] for t, p, l, d in trades])


def main():
    trades = make_trades()
    write_standard(os.path.join(HERE, "layout-standard-day.xls"), trades)

    sina = {"B": "买盘", "S": "卖盘", "": "中性盘"}
    write_csv(os.path.join(HERE, "header-bom-sz000001_20241204.csv"),
              ["成交时间", "成交价格", "成交量", "成交金额", "性质"], rows_for(trades, sina), bom=True, index=False)
    plain = {"B": "买入", "S": "卖出", "": "中性"}
    write_csv(os.path.join(HERE, "header-pandas-index-000001-2024-12-04.csv"),
              ["时间", "成交价", "成交量(手)", "成交额(元)", "买卖方向"], rows_for(list(reversed(trades)), plain),
              bom=False, index=True)
    write_gbk_tab(os.path.join(HERE, "header-gbk-tab-20241204_000001.xls"),
                  ["成交时间", "成交价", "成交量(手)", "成交额(元)", "性质"], rows_for(list(reversed(trades)), sina))
    write_xlsx(os.path.join(HERE, "header-openpyxl-no-date.xlsx"), ["时间", "价格", "成交量（手）", "类型"], trades,
               {"B": "B", "S": "S", "": "N"})
    write_new_shapes(trades)
    write_feed_shapes(trades)
    write_csv(os.path.join(HERE, "header-missing-direction.csv"), ["成交时间", "成交价格", "成交量", "成交金额"],
              [row[:4] for row in rows_for(trades, sina)], bom=False, index=False)


if __name__ == "__main__":
    main()
