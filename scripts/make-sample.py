#!/usr/bin/python3
"""Writes samples/sample-day.xls: one made-up stock's tick trades of one day, as a trading
program exports them (title in A1, column captions in row 5, trades from row 6: time, price,
lots, number of deals, B/S or empty). Deterministic, so the sample never changes by accident."""
import datetime
import os
import random

import xlwt

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "samples", "sample-day.xls")


def trades(rng):
    price = 12.00
    sessions = [(datetime.time(9, 30), datetime.time(11, 30)), (datetime.time(13, 0), datetime.time(15, 0))]
    for start, end in sessions:
        t = datetime.datetime.combine(datetime.date(2026, 12, 4), start)
        stop = datetime.datetime.combine(datetime.date(2026, 12, 4), end)
        while t < stop:
            t += datetime.timedelta(seconds=rng.choice([3, 3, 3, 6, 9]))
            price = round(max(10.80, min(13.20, price + rng.choice([-0.01, 0, 0, 0.01]))), 2)
            r = rng.random()
            if r < 0.55:
                lots = rng.randint(1, 99)
            elif r < 0.85:
                lots = rng.randint(100, 499)
            elif r < 0.97:
                lots = rng.randint(500, 999)
            else:
                lots = rng.randint(1000, 5000)
            d = rng.random()
            direction = "B" if d < 0.46 else ("S" if d < 0.92 else "")
            yield t.time(), price, lots, rng.randint(1, 30), direction


def main():
    rng = random.Random(20261204)
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("逐笔成交")
    time_style = xlwt.easyxf(num_format_str="hh:mm:ss")
    price_style = xlwt.easyxf(num_format_str="0.00")
    sheet.write(0, 0, "20261204 岚谷示例 (600999)")
    sheet.write(2, 0, "逐笔成交明细")
    for col, caption in enumerate(["时间", "成交价", "现手", "笔数", "性质"]):
        sheet.write(4, col, caption)
    row = 5
    for t, price, lots, deals, direction in trades(rng):
        seconds = t.hour * 3600 + t.minute * 60 + t.second
        sheet.write(row, 0, seconds / 86400.0, time_style)
        sheet.write(row, 1, price, price_style)
        sheet.write(row, 2, lots)
        sheet.write(row, 3, deals)
        if direction:
            sheet.write(row, 4, direction)
        row += 1
    book.save(OUT)
    print(OUT, row - 5, "trades")


if __name__ == "__main__":
    main()
