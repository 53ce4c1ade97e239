#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what the package relies on: every file in
# its place, man pages gzipped without name or time stamp, the desktop entry and metainfo valid, and
# the installed moxtel-flow running the installed sample. Usage: install_layout.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install_layout: $*" >&2; exit 1; }

for f in bin/moxtel-flow share/moxtel/sample-day.xls share/bash-completion/completions/moxtel-flow \
         share/man/man1/moxtel-flow.1.gz share/doc/moxtel/copyright share/doc/moxtel/changelog.gz; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
if [ -f "$prefix/bin/moxtel" ]; then
  for f in share/man/man1/moxtel.1.gz share/applications/org.moxtel.Moxtel.desktop \
           share/metainfo/org.moxtel.Moxtel.metainfo.xml share/moxtel/help/index.html \
           share/moxtel/help/style.css share/icons/hicolor/scalable/apps/moxtel.svg; do
    [ -f "$prefix/$f" ] || fail "missing $f"
  done
  for size in 16 22 24 32 48 64 128 256; do
    [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/moxtel.png" ] || fail "missing ${size}x${size} icon"
  done
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/org.moxtel.Moxtel.desktop"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --no-color "$prefix/share/metainfo/org.moxtel.Moxtel.metainfo.xml" >/dev/null ||
      fail "metainfo does not validate"
  fi
fi

# gzip -n: no file name (flag bit 3) and a zero time stamp, so that package builds repeat.
for gz in "$prefix"/share/man/man1/*.gz "$prefix"/share/doc/moxtel/changelog.gz; do
  gzip -t "$gz" || fail "$gz is no gzip file"
  header=$(od -An -tx1 -N8 "$gz" | tr -d ' \n')
  [ "${header:6:2}" = "00" ] && [ "${header:8:8}" = "00000000" ] || fail "$gz keeps a name or time ($header)"
done

out=$("$prefix/bin/moxtel-flow" --db "$prefix/x.db" stats "$prefix/share/moxtel/sample-day.xls")
grep -q '^20261204 岚谷示例 (600999)$' <<<"$out" || fail "the installed sample did not run: $out"
echo "install layout complete"
