#!/usr/bin/python3
"""Times several commands in turn, one run of each per round, and writes each one's median in
hyperfine's JSON shape (results[0].median, seconds) to OUTDIR/NAME.json. Taking the commands in
turn keeps a drift of the machine from landing on one of them: the small days' medians differ by
tenths of a millisecond, which is what their cost per trade is read from.

  interleave.py OUTDIR RUNS NAME=COMMAND [NAME=COMMAND ...]
"""
import json
import os
import shlex
import statistics
import subprocess
import sys
import time


def main(out, runs, specs):
    cases = [(name, shlex.split(command)) for name, command in (s.split('=', 1) for s in specs)]
    times = {name: [] for name, _ in cases}
    for round_ in range(runs + 2):  # the first two rounds warm up and are not counted
        for name, argv in cases:
            start = time.perf_counter()
            subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            if round_ >= 2:
                times[name].append(time.perf_counter() - start)
    for name, values in times.items():
        with open(os.path.join(out, name + '.json'), 'w') as f:
            json.dump({'results': [{'median': statistics.median(values), 'times': values}]}, f)


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3:])
