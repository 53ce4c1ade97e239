#!/usr/bin/python3
"""Random tick workbooks through moxtel-flow and the independent Python peer (bench/peer_stats.py):
every figure, bucket double, order-class double and uncertain trade must agree, and the rows stored in the database must be
the peer's rounded texts. Deterministic seeds, so a failure can be repeated.

usage: cross_check_random.py MOXTEL_FLOW SOURCE_DIR [COUNT]"""
import os
import random
import sqlite3
import subprocess
import sys
import tempfile

import xlwt

FLOW, ROOT = sys.argv[1], sys.argv[2]
COUNT = int(sys.argv[3]) if len(sys.argv) > 3 else 25
sys.path.insert(0, os.path.join(ROOT, "bench"))
import peer_stats  # noqa: E402

LOTS = [1, 5, 50, 99, 99.9, 100, 150, 199, 200, 250, 300, 400, 499, 500, 999, 1000, 1001, 2000, 2500, 0, 37.5,
        5000, 10000]


def make_workbook(path, rng):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("ticks")
    time_style = xlwt.easyxf(num_format_str="hh:mm:ss")
    price_style = xlwt.easyxf(num_format_str="0.00")
    sheet.write(0, 0, "2000%02d%02d 测试%d (60%04d)" % (rng.randint(1, 12), rng.randint(1, 28), rng.randint(1, 9),
                                                   rng.randint(0, 9999)))
    counts = rng.random() < 0.7  # a column of deal counts puts the directions into column 5
    price = rng.choice([5.0, 10.0, 12.34, 99.99])
    seconds = 9 * 3600 + 30 * 60
    for i in range(rng.randint(0, 60)):
        row = 5 + i
        seconds += rng.randint(1, 20)
        price = max(0.01, round(price + rng.choice([-0.02, -0.01, 0, 0, 0.01, 0.02]), 2))
        sheet.write(row, 0, seconds / 86400.0, time_style)
        sheet.write(row, 1, price, price_style)
        sheet.write(row, 2, rng.choice(LOTS))
        direction = rng.choice(["B", "S", "", "", "b", "s", " "])
        if counts:
            sheet.write(row, 3, rng.randint(1, 20))
        if direction:
            sheet.write(row, 4 if counts else 3, direction)
    book.save(path)


def check_database(db_path, document, trades):
    problems = []
    con = sqlite3.connect(db_path)
    master = document["masterId"]
    row = con.execute("select code,yesid,datet,transchange,pricebeg,priceend,transindr,transoutdr,transinundr,"
                      "transoutundr from gpmaster where rowid=?", (master,)).fetchall()
    expected = [(document["stockCode"], "0", document["tradeDate"], " ", document["firstPrice"], document["lastPrice"],
                 master + "in", master + "o", master + "inun", master + "oun")]
    if row != expected:
        problems.append("gpmaster %s, expected %s" % (row, expected))
    for table, key, suffix in (("transin", "inflow", "in"), ("transout", "outflow", "o"),
                               ("transinun", "uncertainUp", "inun"), ("transoutun", "uncertainDown", "oun")):
        stored = con.execute("select * from %s where masterid=?" % table, (master,)).fetchall()
        buckets = document["buckets"][key]
        wanted = ([master + suffix] + [peer_stats.fixed(b["lots"], 0) for b in buckets]
                  + [peer_stats.fixed(b["amount"], 1) for b in buckets] + [master])
        if [list(r) for r in stored] != [wanted]:
            problems.append("%s %s, expected %s" % (table, stored, wanted))
    stored = con.execute("select pricebefor,priceend,transbef,transend,flagbef,flagend,transunknow,price,datet "
                         "from transun where masterid=? order by rowid", (master,)).fetchall()
    wanted = [tuple(t[k] for k in ("pricebefor", "priceend", "transbef", "transend", "flagbef", "flagend",
                                   "transunknow", "price", "datet")) for t in trades]
    if stored != wanted:
        problems.append("transun rows differ: %d stored, %d expected" % (len(stored), len(wanted)))
    classes = document["orderClasses"]
    columns = ",".join("%s%s%s" % (c, side, figure) for c in ("small", "medium", "large", "super")
                       for side in ("in", "out", "un") for figure in ("lots", "amount"))
    stored = con.execute("select convention," + columns + " from dayclass where masterid=?", (master,)).fetchall()
    wanted = [classes["convention"]]
    for c in range(4):
        for side in ("inflow", "outflow", "uncertain"):
            wanted += [classes[side][c]["lots"], classes[side][c]["amount"]]
    if [list(r) for r in stored] != [wanted]:
        problems.append("dayclass %s, expected %s" % (stored, wanted))
    con.close()
    return problems


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for seed in range(COUNT):
            rng = random.Random(seed)
            book = os.path.join(tmp, "day%d.xls" % seed)
            db = os.path.join(tmp, "day%d.db" % seed)
            make_workbook(book, rng)
            close = rng.choice(["", "10.00", "5", "99.99"])
            convention = rng.choice(["shares-or-amount", "amount-only"])
            out = subprocess.run([FLOW, "--db", db, "stats", book, "--json", "--previous-close", close,
                                  "--order-classes", convention],
                                 capture_output=True, check=True, text=True).stdout
            document = peer_stats.json.loads(out)
            result = peer_stats.run(book, document["previousClose"])
            problems = peer_stats.check(result, document) + check_database(db, document, result[1])
            for p in problems:
                print("seed %d: %s" % (seed, p))
            failures += bool(problems)
    print("%d passed, %d failed" % (COUNT - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
