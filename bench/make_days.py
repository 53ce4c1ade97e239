#!/usr/bin/python3
"""Writes the benchmark's trading days into a folder (run with the system Python):

  make_days.py OUTDIR

day-20k.xls     20,000 trades as a BIFF8 workbook (times hh:mm:ss, prices 0.00, lots, counts, B/S/empty)
day-20k.xlsx    the same day as .xlsx, day-20k.txt the same as a GB18030 tab-separated export
text-0.txt ... text-1m.txt    no trades (the title and header only) and 1,000 to 1,000,000 trades as
                              GB18030 text, for the cost per trade
"""
import datetime
import os
import sys

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'tests', 'data'))
import make_xls_fixtures  # noqa: E402

TITLE = '20000101 ABC (600000)'
HEADER = ['时间', '成交价', '现手', '笔数', '性质']


def trade(i):
    """The same trades make_xls_fixtures.large_day writes."""
    seconds = 9 * 3600 + 30 * 60 + i
    return (seconds, 10 + (i % 37) / 100.0, 1 + (i * 7919) % 1500, 1 + i % 9, ['', 'B', 'S'][i % 3])


def clock(seconds):
    seconds %= 86400
    return '%02d:%02d:%02d' % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def write_xlsx(path, count):
    book = openpyxl.Workbook(write_only=True)
    sheet = book.create_sheet('Ticks')
    sheet.append([TITLE])
    for _ in range(3):
        sheet.append([])
    sheet.append(HEADER)
    for i in range(count):
        seconds, price, lots, deals, direction = trade(i)
        t = openpyxl.cell.WriteOnlyCell(sheet, datetime.time(*divmod(divmod(seconds, 60)[0], 60), seconds % 60))
        t.number_format = 'hh:mm:ss'
        p = openpyxl.cell.WriteOnlyCell(sheet, price)
        p.number_format = '0.00'
        sheet.append([t, p, lots, deals] + ([direction] if direction else []))
    book.save(path)


def write_text(path, count):
    lines = [TITLE, '', '分笔成交明细', '', '\t'.join(HEADER)]
    for i in range(count):
        seconds, price, lots, deals, direction = trade(i)
        lines.append('%s\t%.2f\t%d\t%d\t%s' % (clock(seconds), price, lots, deals, direction))
    with open(path, 'wb') as f:
        f.write(('\r\n'.join(lines) + '\r\n').encode('gb18030'))


def main(out):
    os.makedirs(out, exist_ok=True)
    make_xls_fixtures.large_day(os.path.join(out, 'day-20k.xls'), 20000)
    write_xlsx(os.path.join(out, 'day-20k.xlsx'), 20000)
    write_text(os.path.join(out, 'day-20k.txt'), 20000)
    for name, count in (('0', 0), ('1k', 1000), ('10k', 10000), ('100k', 100000), ('1m', 1000000)):
        write_text(os.path.join(out, 'text-%s.txt' % name), count)


if __name__ == '__main__':
    main(sys.argv[1])
