#!/usr/bin/python3
"""An independent peer of the statistics run, written in Python with xlrd, for two jobs:

  peer_stats.py WORKBOOK                    print the peer's time for one run (the speed peer)
  peer_stats.py WORKBOOK --check JSONFILE   compare the peer's figures with `moxtel-flow stats --json`

It knows only the layout of the tick workbooks that trading programs export (title in A1, trades from
row 6: time, price, lots, and the direction in column 4 or, when row 8 has column 4 filled, column 5)
and reads .xls files whose times are formatted hh:mm:ss and prices 0.00."""
import datetime
import json
import sys
import time
from decimal import ROUND_HALF_UP, Decimal

import xlrd


def cell_text(sheet, row, col):
    """The displayed text of the formats the sample uses (1-based row and column)."""
    if row > sheet.nrows or col > sheet.ncols:
        return ""
    cell = sheet.cell(row - 1, col - 1)
    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return ""
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return cell.value
    if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
        fmt = sheet.book.format_map[sheet.book.xf_list[cell.xf_index].format_key].format_str
        if fmt == "hh:mm:ss":
            seconds = int(Decimal(repr(cell.value * 86400)).quantize(Decimal(1), ROUND_HALF_UP))
            return str(datetime.timedelta(seconds=seconds)).zfill(8)
        if fmt == "0.00":
            return str(Decimal(repr(cell.value)).quantize(Decimal("0.01"), ROUND_HALF_UP))
        return repr(int(cell.value)) if cell.value == int(cell.value) else repr(cell.value)
    raise ValueError("cell kind %d not known to the peer" % cell.ctype)


def fixed(value, decimals):
    return str(Decimal(value).quantize(Decimal(1).scaleb(-decimals), ROUND_HALF_UP))


def figure(lots, amount):
    return fixed(lots, 0) + "(" + fixed(amount, 1) + "万元)"


def bucket_of(lots):
    for k in range(1, 11):
        if lots < 100 * k:
            return k
    return 11


CLASS_SIDES = ("inflow", "outflow", "uncertain")
# Per convention, from the largest class down: (class index, shares from, amount in yuan from).
THRESHOLDS = {
    "shares-or-amount": ((3, 500000, 1000000), (2, 100000, 200000), (1, 20000, 40000)),
    "amount-only": ((3, None, 1000000), (2, None, 200000), (1, None, 50000)),
}


def order_class(lots_text, price_text, convention):
    """小单 0, 中单 1, 大单 2, 超大单 3, decided in exact decimals from the cells' texts."""
    shares = Decimal(lots_text or "0") * 100
    price = Decimal(price_text or "0")
    amount = shares * price if shares > 0 and price > 0 else Decimal(0)
    for index, shares_from, amount_from in THRESHOLDS[convention]:
        if (shares_from is not None and shares >= shares_from) or amount >= amount_from:
            return index
    return 0


def run(path, previous_close):
    sheet = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    sums = {name: [[0.0, 0.0] for _ in range(12)] for name in ("inflow", "outflow", "uncertain", "up", "down")}
    sums["classes"] = {c: {side: [[0.0, 0.0] for _ in range(4)] for side in CLASS_SIDES} for c in THRESHOLDS}
    direction_col = 5 if cell_text(sheet, 8, 4) else 4
    reference = float(previous_close or 0)
    before = {"price": previous_close, "lots": "0", "word": "未知"}
    trades = []
    row = 6
    while cell_text(sheet, row, 1):
        direction = cell_text(sheet, row, direction_col)
        lots = float(cell_text(sheet, row, 3))
        price = float(cell_text(sheet, row, 2))
        amount = lots * (price / 100.0)
        k = bucket_of(lots)
        targets = ["outflow"] if direction == "S" else ["inflow"] if direction else ["uncertain"]
        if not direction:
            targets += ["up"] if price > reference else ["down"] if price < reference else []
        for name in targets:
            sums[name][k][0] += lots
            sums[name][k][1] += amount
        for convention, classes in sums["classes"].items():
            index = order_class(cell_text(sheet, row, 3), cell_text(sheet, row, 2), convention)
            classes[targets[0]][index][0] += lots
            classes[targets[0]][index][1] += amount
        if not direction:
            after = [cell_text(sheet, row + 1, c) for c in (2, 3, direction_col)]
            trades.append({
                "pricebefor": before["price"], "priceend": after[0] or "0",
                "transbef": before["lots"], "transend": after[1] or "0",
                "flagbef": before["word"], "flagend": {"B": "入", "S": "出"}.get(after[2], "未知"),
                "transunknow": cell_text(sheet, row, 3), "price": cell_text(sheet, row, 2),
                "datet": cell_text(sheet, row, 1)})
            # The neighbours' lots as the uncertain-direction window shows them: "-" after an outflow.
            for key, lots_key, word_key in (("before", "transbef", "flagbef"), ("after", "transend", "flagend")):
                trades[-1][key] = ("-" if trades[-1][word_key] == "出" else "") + trades[-1][lots_key]
        before = {"price": cell_text(sheet, row, 2), "lots": cell_text(sheet, row, 3),
                  "word": "出" if direction == "S" else "入" if direction else "未知"}
        reference = price
        row += 1
    return sums, trades


def totals(sums, a, b):
    def part(name):
        lots = amount = 0.0
        for k in range(a + 1, b + 1):
            lots += sums[name][k][0]
            amount += sums[name][k][1]
        return lots, amount

    i, o, u, up, down = (part(n) for n in ("inflow", "outflow", "uncertain", "up", "down"))
    return {
        "inflow": figure(*i),
        "outflow": figure(*o),
        "uncertain": figure(*u),
        "net": figure(i[0] - o[0], i[1] - o[1]),
        "netWithUncertain": figure(i[0] - o[0] + up[0] - down[0], i[1] - o[1] + up[1] - down[1]),
        "total": figure(i[0] + o[0] + u[0], i[1] + o[1] + u[1]),
    }


def check(result, document):
    sums, trades = result
    problems = []
    theirs = [{k: v for k, v in t.items() if k not in ("masterid", "gpcode")} for t in document["uncertainTrades"]]
    if trades != theirs:
        problems.append("uncertain trades differ: peer %d, moxtel %d" % (len(trades), len(theirs)))
    if totals(sums, 0, 11) != document["totals"]:
        problems.append("totals: peer %s, moxtel %s" % (totals(sums, 0, 11), document["totals"]))
    for (a, b), interval in zip([(0, 3), (3, 5), (5, 8), (8, 10), (10, 11)], document["intervals"]):
        shown = {key: value for key, value in interval.items() if key != "label"}
        if totals(sums, a, b) != shown:
            problems.append("interval %s: peer %s, moxtel %s" % (interval["label"], totals(sums, a, b), shown))
    for name, key in (("inflow", "inflow"), ("outflow", "outflow"), ("uncertain", "uncertain"),
                      ("up", "uncertainUp"), ("down", "uncertainDown")):
        for k in range(1, 12):
            mine = document["buckets"][key][k - 1]
            if [mine["lots"], mine["amount"]] != sums[name][k]:
                problems.append("%s bucket %d: peer %s, moxtel %s" % (key, k, sums[name][k], mine))
    shown = document.get("orderClasses")
    if shown is not None:
        for side in CLASS_SIDES:
            mine = [[c["lots"], c["amount"]] for c in shown[side]]
            if mine != sums["classes"][shown["convention"]][side]:
                problems.append("orderClasses %s %s: peer %s, moxtel %s" % (
                    shown["convention"], side, sums["classes"][shown["convention"]][side], mine))
    return problems


def main():
    path = sys.argv[1]
    if len(sys.argv) == 4 and sys.argv[2] == "--check":
        with open(sys.argv[3], encoding="utf-8") as f:
            document = json.load(f)
        problems = check(run(path, document["previousClose"]), document)
        for p in problems:
            print(p)
        print("peer check:", "%d differences" % len(problems) if problems else "identical")
        return 1 if problems else 0
    start = time.perf_counter()
    run(path, "0")
    print("peer run: %.1f ms" % ((time.perf_counter() - start) * 1000))
    return 0


if __name__ == "__main__":
    sys.exit(main())
