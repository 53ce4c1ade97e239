#!/usr/bin/python3
"""Writes one security's day of Level-2 trade records as a data feed's database exports them, to
about the size asked (default 50 MB):

  make_level2_day.py OUT.csv [MEGABYTES]

Columns SecurityID, TradeTime (2021.01.04T09:30:00.630), TradePrice, TradeQty (shares, now and then
not a whole lot), TradeAmount (yuan), BuyNo, SellNo, TradeBSFlag (B, S, N in the call auctions).
The same seed gives the same file.
"""
import random
import sys


def main():
    out = sys.argv[1]
    target = int(float(sys.argv[2] if len(sys.argv) > 2 else 50) * 1e6)
    rng = random.Random(22)
    price, size, order, i = 1000, 0, 1000000, 0
    expected = target // 71 + 1
    lines = ['SecurityID,TradeTime,TradePrice,TradeQty,TradeAmount,BuyNo,SellNo,TradeBSFlag']
    size += len(lines[0]) + 1
    while size < target:
        # The 09:25 call auction, then the two sessions' four hours in order, to the millisecond.
        ms = 9 * 3600000 + 25 * 60000 if i < 300 else (i - 300) * 4 * 3600000 // expected
        if i >= 300:
            ms += 9 * 3600000 + 30 * 60000 + (90 * 60000 if ms >= 2 * 3600000 else 0)
        hh, mm, ss, mmm = ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000
        price = max(500, price + rng.choice((-1, 0, 0, 0, 1)))
        shares = rng.choice((100 * rng.randint(1, 50), 100 * rng.randint(50, 2000), rng.randint(1, 99999)))
        flag = 'N' if i < 300 else rng.choice('BSBS')
        order += rng.randint(1, 5)
        line = '600000,2021.01.04T%02d:%02d:%02d.%03d,%d.%02d,%d,%d.%02d,%d,%d,%s' % (
            hh, mm, ss, mmm, price // 100, price % 100, shares, price * shares // 100, price * shares % 100,
            order, order + 1, flag)
        lines.append(line)
        size += len(line) + 1
        i += 1
    with open(out, 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')
    print('%s: %d trades, %.1f MB' % (out, i, size / 1e6))


if __name__ == '__main__':
    main()
