#!/usr/bin/python3
"""Writes the .xlsx and delimited-text fixtures of the workbook reader tests.

Run with the system Python (python3-openpyxl):  /usr/bin/python3 tests/data/make_xlsx_text_fixtures.py
Every file holds the worked trading day: title in A1, a header in row 5, four trades in rows 6 to 9.
"""
import datetime
import os
import shutil

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))

TITLE = "20000101 ABC (600000)"
CHINESE_TITLE = "20000101 浦发银行 (600000)"
HEADER = ["时间", "价格", "现手", "笔数", "性质"]
# time, price, lots, deals, direction ("" when the direction is unknown)
TRADES = [
    ("09:30:01", "10.00", "50", "3", ""),
    ("09:30:05", "10.04", "150", "5", "B"),
    ("09:30:09", "10.00", "1200", "9", "S"),
    ("09:30:12", "10.02", "300", "4", ""),
]


def write_worked_day_xlsx(path):
    """As a spreadsheet program saves it: times and prices are numbers shown through formats."""
    book = openpyxl.Workbook()
    book.active.title = "说明"
    book.active["A1"] = "not the active sheet"
    sheet = book.create_sheet("600000")
    sheet["A1"] = TITLE
    sheet["A3"] = "分笔成交明细"
    for col, text in enumerate(HEADER, start=1):
        sheet.cell(row=5, column=col, value=text)
    for row, (time, price, lots, deals, direction) in enumerate(TRADES, start=6):
        h, m, s = (int(x) for x in time.split(":"))
        sheet.cell(row=row, column=1, value=datetime.time(h, m, s)).number_format = "hh:mm:ss"
        sheet.cell(row=row, column=2, value=float(price)).number_format = "0.00"
        sheet.cell(row=row, column=3, value=int(lots))
        sheet.cell(row=row, column=4, value=int(deals))
        if direction:
            sheet.cell(row=row, column=5, value=direction)
    book.active = 1
    book.save(path)


def text_lines(title, separator):
    lines = [[title], [], ["分笔成交明细"], [], HEADER]
    lines += [list(trade) for trade in TRADES]
    return [separator.join(cells) for cells in lines]


def write_text(name, title, encoding, separator="\t", newline="\r\n", bom=b""):
    body = newline.join(text_lines(title, separator)) + newline
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bom + body.encode(encoding))


def write_quoted_csv(name):
    """Comma-separated UTF-8 with BOM; the title and a note need quotes."""
    lines = ['"' + CHINESE_TITLE + '"', "", '"备注, ""含逗号"""', '"两行\r\n文字"', ",".join(HEADER)]
    lines += [",".join(trade) for trade in TRADES]
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8") + b"\r\n")


def main():
    write_worked_day_xlsx(os.path.join(HERE, "worked-day.xlsx"))
    write_text("gbk-tab-export.xls", TITLE, "gb18030")
    write_text("gb18030-chinese-title.xls", CHINESE_TITLE + " 𠀀", "gb18030")
    write_text("utf16le-bom-export.xls", CHINESE_TITLE, "utf-16-le", bom=b"\xff\xfe")
    write_text("utf16be-bom-export.xls", CHINESE_TITLE, "utf-16-be", newline="\n", bom=b"\xfe\xff")
    write_quoted_csv("utf8-bom-export.csv")


if __name__ == "__main__":
    main()
