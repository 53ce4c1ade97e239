#!/usr/bin/python3
"""Writes a moxtel database for the ranking bench straight through sqlite3: STOCKS stocks over DATES
trading days, one row of per-day numbers (dayflow) and a master row per stock and day, figures
random but repeatable. The database is opened by moxtel-flow afterwards, which finds it complete.

usage: make_rank_db.py DB STOCKS DATES"""
import random
import sqlite3
import subprocess
import sys

DB, STOCKS, DATES = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
FLOW = sys.argv[4] if len(sys.argv) > 4 else None
CLASSES = [c + side + figure for c in ("small", "medium", "large", "super") for side in ("in", "out", "un")
           for figure in ("lots", "amount")]


def dates(count):
    """Weekdays from 2025-01-02 on, as YYYYMMDD."""
    import datetime
    day, out = datetime.date(2025, 1, 2), []
    while len(out) < count:
        if day.weekday() < 5:
            out.append(day.strftime("%Y%m%d"))
        day += datetime.timedelta(days=1)
    return out


def main():
    if FLOW:  # let moxtel-flow make the tables, so the bench measures its own schema
        subprocess.run([FLOW, "--db", DB, "templates", "list"], check=True, capture_output=True)
    con = sqlite3.connect(DB)
    rng = random.Random(21)
    columns = "masterid,code,datet,netamount,netunamount,convention,totalamount," + ",".join(CLASSES)
    sql = "insert into dayflow(%s) values(%s)" % (columns, ",".join("?" * (7 + len(CLASSES))))
    codes = ["股票%d(%06d)" % (i, 600000 + i) for i in range(STOCKS)]
    con.execute("begin")
    for date in dates(DATES):
        rows = []
        for code in codes:
            figures = [rng.random() * 1000 for _ in CLASSES]
            total = sum(figures[1::2])
            rows.append((code + date, code, date, rng.uniform(-500, 500), rng.uniform(-600, 600), "shares-or-amount",
                         total, *figures))
        con.executemany(sql, rows)
        con.executemany("insert into gpmaster(rowid,code,datet) values(?,?,?)", [(r[0], r[1], r[2]) for r in rows])
    con.commit()
    con.close()


if __name__ == "__main__":
    main()
