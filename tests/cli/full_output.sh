#!/bin/sh
# Output that cannot be written (here /dev/full) fails the command with a reason on stderr, for
# every kind of output: help, a day's figures, a CSV table.
set -u
flow=$1
sample=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
db=$tmp/m.db
"$flow" --db "$db" stats "$sample" >/dev/null 2>&1 || { echo "storing the sample failed"; exit 1; }
fails=0
check() {
  "$@" >/dev/full 2>"$tmp/err"
  rc=$?
  if [ "$rc" -ne 1 ] || ! grep -q "standard output" "$tmp/err"; then
    echo "not a failure (exit $rc): $*"
    cat "$tmp/err"
    fails=1
  fi
}
check "$flow" --help
check "$flow" --db "$db" stats "$sample" --no-store --json
check "$flow" --db "$db" history '岚谷示例(600999)' 20000101 20991231 --csv
check "$flow" --db "$db" templates list
exit $fails
