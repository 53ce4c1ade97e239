#!/usr/bin/env bash
# A stored run beside the sqlite3 shell inserting the same day's rows: moxtel-flow stats stores
# WORKBOOK into a fresh database; its rows are dumped as one transaction of INSERTs, and the shell
# runs them (`.read`) into a fresh database of the same schema (made by moxtel-flow) with the same
# journal settings (WAL, synchronous=NORMAL), then closes it as the program does: the last close
# checkpoints, so both end with the day synced into the database file and the log removed. (Run as
# `sqlite3 DB -init FILE .quit` the shell exits without closing: it skips the checkpoint, leaves the
# day unsynced in the log, and the next run on a copied database replays that stale log.)
# The two run in turn, one of each per round, each on a new copy of its empty database; prints the
# medians of wall and CPU time, the syncs of each (strace, when installed), and checks that both
# databases hold the same rows.
#     bench/store_vs_shell.sh MOXTEL_FLOW WORKBOOK [ROUNDS]
set -euo pipefail
FLOW=$1 BOOK=$2 ROUNDS=${3:-41}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
"$FLOW" --db "$T/empty.db" templates list >/dev/null
"$FLOW" --db "$T/day.db" stats "$BOOK" --previous-close 10 >/dev/null
{
  echo "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; BEGIN;"
  for table in gpmaster transin transout transinun transoutun transun dayflow dayclass; do
    sqlite3 "$T/day.db" ".mode insert $table" "select * from $table"
  done
  echo "COMMIT;"
} >"$T/day.sql"
RUN_A=("$FLOW" --db "$T/a.db" stats "$BOOK" --previous-close 10)
RUN_B=(sqlite3 "$T/b.db" ".read $T/day.sql")
fresh() { rm -f "$T/$1" "$T/$1-wal" "$T/$1-shm"; cp "$T/empty.db" "$T/$1"; }
if command -v strace >/dev/null; then
  syncs() { strace -f -c -e trace=fsync,fdatasync -o "$T/s.txt" "$@" >/dev/null && awk '$NF=="fsync"||$NF=="fdatasync"{n+=$4} END{print n+0}' "$T/s.txt"; }
  fresh a.db; fresh b.db
  echo "syncs: stored run $(syncs "${RUN_A[@]}"), shell $(syncs "${RUN_B[@]}")"
fi
/usr/bin/python3 - "$T" "$ROUNDS" "$BOOK" "$(grep -c 'INSERT INTO' "$T/day.sql")" "${#RUN_A[@]}" "${RUN_A[@]}" "${RUN_B[@]}" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, time
T, rounds, book, rows, n = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], int(sys.argv[5])
cases = [('a.db', sys.argv[6:6 + n]), ('b.db', sys.argv[6 + n:])]
wall, cpu = ([], []), ([], [])
for r in range(rounds + 2):  # two rounds warm up
    for i, (db, argv) in enumerate(cases):
        for suffix in ('', '-wal', '-shm'):
            if os.path.exists(os.path.join(T, db + suffix)):
                os.remove(os.path.join(T, db + suffix))
        shutil.copyfile(os.path.join(T, 'empty.db'), os.path.join(T, db))
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        w = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if r >= 2:
            wall[i].append(w)
            cpu[i].append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
        if os.path.exists(os.path.join(T, db + '-wal')):
            sys.exit('%s left its log behind: the day was not checkpointed' % argv[0])
dump = lambda db: subprocess.run(['sqlite3', os.path.join(T, db), '.dump'], capture_output=True, text=True).stdout
if dump('a.db') != dump('b.db'):
    sys.exit('the two databases differ')
m = lambda v: statistics.median(v) * 1000
print('| stored run of %s (%s rows) | %.1f ms | %.1f ms | sqlite3 shell, same rows | %.1f ms | %.1f ms | %.2fx | %.2fx |' % (
    os.path.basename(book), rows, m(wall[0]), m(cpu[0]), m(wall[1]), m(cpu[1]), m(wall[0]) / m(wall[1]),
    m(cpu[0]) / m(cpu[1])))
PY
