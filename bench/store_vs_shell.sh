#!/usr/bin/env bash
# A stored run beside the sqlite3 shell inserting the same day's rows: moxtel-flow stats stores
# WORKBOOK into a fresh database; its rows are dumped as one transaction of INSERTs, and the shell
# runs them into a fresh database of the same schema (made by moxtel-flow) with the same journal
# settings (WAL, synchronous=NORMAL). Both are timed with hyperfine, each run on a new copy of its
# empty database. Prints one markdown row.
#     bench/store_vs_shell.sh MOXTEL_FLOW WORKBOOK [RUNS]
set -euo pipefail
FLOW=$1 BOOK=$2 RUNS=${3:-15}
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
hyperfine -N --warmup 3 --runs "$RUNS" --export-json "$T/t.json" \
  --prepare "cp $T/empty.db $T/a.db" "$FLOW --db $T/a.db stats $BOOK --previous-close 10" \
  --prepare "cp $T/empty.db $T/b.db" "sqlite3 $T/b.db -init $T/day.sql .quit" >/dev/null 2>&1
cpu() { /usr/bin/python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]; print('%.1f ms' % ((r['user']+r['system'])*1000))" "$T/t.json" "$1"; }
echo "CPU (mean): stored run $(cpu 0), shell $(cpu 1)"
/usr/bin/python3 - "$T/t.json" "$BOOK" "$(grep -c 'INSERT INTO' "$T/day.sql")" <<'PY'
import json, os, sys
a, b = json.load(open(sys.argv[1]))['results']
print('| stored run of %s (%s rows) | %.1f ms | sqlite3 shell, same rows | %.1f ms | %.2fx |' % (
    os.path.basename(sys.argv[2]), sys.argv[3], a['median'] * 1000, b['median'] * 1000, a['median'] / b['median']))
PY
