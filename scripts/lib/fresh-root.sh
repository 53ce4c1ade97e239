# shellcheck shell=bash
# Throw-away Debian 12 roots, to see the project as a new machine sees it. Source this file, then
#   fresh_root_make          unpacks today's base root into $FRESH_ROOT; it is removed again when the calling
#                            script ends, fails or is interrupted
#   fresh_root_step NAME CMD runs the shell command line CMD inside the root and prints its time; on failure
#                            prints the last 40 lines of its output and exits non-zero
# The base root (mmdebstrap --variant=apt, bookworm, the machine's own apt sources) is kept as a tarball under
# $XDG_CACHE_HOME/moxtel for the day. Needs root on the host: mmdebstrap, mount and chroot.

FRESH_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/moxtel
FRESH_LOGS=""
FRESH_ROOT=""
FRESH_PID=""

fresh_root_require() {
  local tool
  [ "$(id -u)" -eq 0 ] || { echo "$0: run it as root (it makes a root with mmdebstrap and enters it with chroot)" >&2; exit 1; }
  for tool in mmdebstrap mount unshare chroot; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
  done
}

# The apt sources configured on this machine, both one-line and deb822 files.
fresh_root_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -s "$f" ] && grep -qv '^[[:space:]]*\(#\|$\)' "$f" && echo "$f"
  done
  return 0
}

# Prints the path of today's base tarball, making it first when there is none (older days' are dropped).
fresh_root_base() {
  local tarball sources
  tarball=$FRESH_CACHE/bookworm-apt-$(date +%Y%m%d).tar
  if [ ! -s "$tarball" ]; then
    mapfile -t sources < <(fresh_root_sources)
    [ ${#sources[@]} -gt 0 ] || { echo "$0: no apt sources in /etc/apt" >&2; return 1; }
    mkdir -p "$FRESH_CACHE"
    rm -f "$FRESH_CACHE"/bookworm-apt-*.tar "$FRESH_CACHE"/bookworm-apt-*.tar.part
    mmdebstrap --quiet --variant=apt --format=tar bookworm "$tarball.part" "${sources[@]}" >&2
    mv "$tarball.part" "$tarball"
  fi
  echo "$tarball"
}

# Also drops the step logs, unless the script fails: then they stay for a look at the whole output.
fresh_root_remove() {
  local rc=$?
  if [ -n "$FRESH_PID" ]; then
    kill -KILL "$FRESH_PID" 2>/dev/null || true
    wait "$FRESH_PID" 2>/dev/null || true
  fi
  # The mounts live only in the root's own mount namespace, so from here it is a plain tree.
  [ -z "$FRESH_ROOT" ] || rm -rf --one-file-system "$FRESH_ROOT"
  FRESH_ROOT=""
  [ "$rc" -ne 0 ] || [ -z "$FRESH_LOGS" ] || rm -rf "$FRESH_LOGS"
}

fresh_root_make() {
  local tarball
  tarball=$(fresh_root_base)
  trap fresh_root_remove EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  FRESH_ROOT=$(mktemp -d "${FRESH_ROOT_PARENT:-/var/tmp}/moxtel-root.XXXXXX")
  chmod 755 "$FRESH_ROOT"
  tar -C "$FRESH_ROOT" -xf "$tarball"
  cp /etc/resolv.conf "$FRESH_ROOT/etc/resolv.conf"
  FRESH_LOGS=$(mktemp -d "${TMPDIR:-/tmp}/moxtel-fresh-logs.XXXXXX")
}

# Inside the root's own mount and process namespaces: its mounts vanish and its processes die with it.
# shellcheck disable=SC2016 # expanded by the sh inside the namespaces
FRESH_ENTER='mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" && mount --rbind /sys "$1/sys" &&
  mount -t tmpfs tmpfs "$1/tmp" || exit 1
exec chroot "$1" /usr/bin/env -i LANG=C.UTF-8 HOME=/root \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -e -c "$2"'

# Runs CMD with bash -e as root in the root's /root/moxtel (or /root), with a clean environment.
fresh_root_step() {
  local name=$1 log=$FRESH_LOGS/${1// /-}.log start=$SECONDS rc=0
  echo "== $name: $2"
  unshare --mount --propagation private --pid --fork --kill-child /bin/sh -c "$FRESH_ENTER" \
    sh "$FRESH_ROOT" "cd /root/moxtel 2>/dev/null || cd /root; $2" >"$log" 2>&1 &
  FRESH_PID=$!
  wait "$FRESH_PID" || rc=$?
  FRESH_PID=""
  printf '== %s: %s in %dm%02ds\n' "$name" "$([ $rc -eq 0 ] && echo passed || echo FAILED)" \
    $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60))
  if [ $rc -ne 0 ]; then
    tail -n 40 "$log"
    echo "== $name failed (exit $rc); whole output in $log"
    exit 1
  fi
}
