#!/usr/bin/python3
"""The speed peer in Python: xlrd reads the .xls, numpy classifies the trades and sums the buckets
(inflow, outflow, uncertain, uncertain up and down, eleven size buckets each) as the statistics run
does. Prints the day's totals; bench/peer_stats.py is the peer that checks every figure.

  peer_numpy.py WORKBOOK.xls"""
import sys

import numpy as np
import xlrd


def main(path):
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    first = 5
    times = sheet.col_values(0, first)
    count = next((i for i, t in enumerate(times) if t == ''), len(times))
    price = np.array(sheet.col_values(1, first, first + count), dtype=float)
    lots = np.array(sheet.col_values(2, first, first + count), dtype=float)
    wide = sheet.ncols > 4 and sheet.nrows > 7 and sheet.cell_value(7, 3) != ''
    column = 4 if wide else 3
    direction = np.array(sheet.col_values(column, first, first + count) if sheet.ncols > column else [''] * count)
    price = np.round(price, 2)
    amount = lots * price / 100.0
    bucket = np.minimum(lots // 100, 10).astype(int)
    before = np.concatenate(([0.0], price[:-1]))
    unknown = direction == ''
    sums = {}
    for name, mask in (('inflow', direction == 'B'), ('outflow', direction == 'S'), ('uncertain', unknown),
                       ('up', unknown & (price > before)), ('down', unknown & (price < before))):
        sums[name] = (np.bincount(bucket[mask], lots[mask], 11), np.bincount(bucket[mask], amount[mask], 11))
    print('inflow %.0f outflow %.0f uncertain %.0f' % tuple(sums[n][0].sum() for n in ('inflow', 'outflow', 'uncertain')))


if __name__ == '__main__':
    main(sys.argv[1])
