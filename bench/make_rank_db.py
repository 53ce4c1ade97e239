#!/usr/bin/python3
"""Writes a moxtel database for the ranking bench straight through sqlite3: STOCKS stocks over DATES
trading days, one row of per-day numbers (dayflow) per stock and day, figures random but repeatable.
moxtel-flow makes the tables first (FLOW), so the bench measures its own schema.

usage: make_rank_db.py DB STOCKS DATES FLOW"""
import random
import sqlite3
import subprocess
import sys

DB, STOCKS, DATES = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
FLOW = sys.argv[4]


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
    subprocess.run([FLOW, "--db", DB, "templates", "list"], check=True, capture_output=True)
    con = sqlite3.connect(DB)
    rng = random.Random(21)
    sql = ("insert into dayflow(code,datet,netamount,netunamount,classday,totalamount,mainnetamount,supernetamount,"
           "largenetamount,mediumnetamount,smallnetamount) values(?,?,?,?,1,?,?,?,?,?,?)")
    codes = ["股票%d(%06d)" % (i, 600000 + i) for i in range(STOCKS)]
    con.execute("begin")
    for date in dates(DATES):
        rows = []
        for code in codes:
            nets = [rng.uniform(-300, 300) for _ in range(4)]
            rows.append((code, date, rng.uniform(-500, 500), rng.uniform(-600, 600), rng.uniform(1000, 9000),
                         nets[0] + nets[1], *nets))
        con.executemany(sql, rows)
    con.commit()
    con.close()


if __name__ == "__main__":
    main()
