#!/usr/bin/python3
"""The Level-2 day's peer in Python's own csv module: reads every trade record and sums lots
(shares / 100) and amounts (万元) by the flag B, S and N (neutral), which is what the run's buckets
add up to. Prints the three sums as JSON.

  peer_level2.py FILE.csv"""
import csv
import json
import sys


def main(path):
    lots = {'B': 0.0, 'S': 0.0, 'N': 0.0}
    amount = dict(lots)
    with open(path, newline='', encoding='utf-8-sig') as f:
        rows = csv.reader(f)
        head = next(rows)
        price, qty, flag = head.index('TradePrice'), head.index('TradeQty'), head.index('TradeBSFlag')
        for row in rows:
            shares = float(row[qty])
            lots[row[flag]] += shares / 100
            amount[row[flag]] += float(row[price]) * shares / 10000
    print(json.dumps({'lots': lots, 'amount': amount}))


if __name__ == '__main__':
    main(sys.argv[1])
