#!/usr/bin/env bash
# Compares moxtel-flow's figures for the sample day with those of the independent Python peer,
# for a typed previous close and for none.
set -euo pipefail
flow=$1
root=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for close in 12.00 ""; do
  "$flow" --db "$tmp/x.db" stats "$root/samples/sample-day.xls" --no-store --json --previous-close "$close" > "$tmp/day.json"
  /usr/bin/python3 "$root/bench/peer_stats.py" "$root/samples/sample-day.xls" --check "$tmp/day.json"
done
