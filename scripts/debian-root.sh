#!/usr/bin/env bash
# Proves Nodewick on a brand-new Debian installation that debootstrap makes (a minimal root):
#   scripts/debian-root.sh test SUITE [WAY...]   copies the source tree into a new root of release SUITE
#                                                and runs the README's test command there
#                                                (scripts/test.sh WAY..., default normal); then installs
#                                                the package that the normal build made with apt in a
#                                                second new root and starts it
#   scripts/debian-root.sh install SUITE DEB     installs the given package with apt in a new root of
#                                                release SUITE and starts it
# e.g. scripts/debian-root.sh test trixie, or scripts/debian-root.sh install bookworm nodewick_1.02_amd64.deb.
#
# Needs root, debootstrap, unshare (util-linux) and git, and Debian's mirror (NODEWICK_DEBIAN_MIRROR,
# default http://deb.debian.org/debian). Nothing is kept: the roots are made anew in a temporary
# directory (under NODEWICK_ROOT_TMP, default /var/tmp) and removed at the end, whatever happened. Their
# mounts live in a private mount namespace and everything started in them in a PID namespace of its
# own, so both end with the run, and an interrupted run leaves nothing behind. Prints one PASS or FAIL
# line; exits 1 on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/debian-root.sh test SUITE [WAY...] | install SUITE DEB" >&2; exit 2; }
[ $# -ge 2 ] || usage
mode=$1 suite=$2
shift 2
case "$mode" in
  test) ways=("$@"); [ ${#ways[@]} -gt 0 ] || ways=(normal) ;;
  install) [ $# -eq 1 ] && [ -f "$1" ] || usage; deb=$(realpath "$1") ;;
  *) usage ;;
esac
[[ $suite =~ ^[a-z]+$ ]] || usage
[ "$(id -u)" -eq 0 ] || { echo "scripts/debian-root.sh needs root" >&2; exit 2; }
for tool in debootstrap unshare chroot git; do
  command -v "$tool" >/dev/null || { echo "scripts/debian-root.sh needs $tool" >&2; exit 2; }
done
mirror=${NODEWICK_DEBIAN_MIRROR:-http://deb.debian.org/debian}

work=$(mktemp -d "${NODEWICK_ROOT_TMP:-/var/tmp}/nodewick-$suite.XXXXXX")
inner=''
cleanup() {
  local status=$?
  # unshare blocks SIGTERM while it waits; killed, it takes its child, the first process of the PID
  # namespace, along (--kill-child), and the kernel then ends everything else in there.
  if [ -n "$inner" ]; then
    kill -KILL "$inner" 2>/dev/null || true
    wait "$inner" 2>/dev/null || true
  fi
  local tries=0 pid busy
  while :; do
    busy=''
    for pid in /proc/[0-9]*; do
      [[ $(readlink "$pid/root" 2>/dev/null) == "$work"/* ]] && busy=${pid#/proc/} && break
    done
    [ -n "$busy" ] && [ $tries -lt 100 ] || break
    tries=$((tries + 1))
    sleep 0.1
  done
  if [ -n "$busy" ] || findmnt -rn -o TARGET | grep -q "^$work/"; then
    echo "debian-root: $work is still in use (process $busy or a mount); not removing it" >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$SECONDS
elapsed() { echo "$1: $((SECONDS - started)) s"; }

# make_root DIR: a brand-new minimal root of the release. debootstrap runs in namespaces of its own
# too, so that an interrupted one ends with its mounts and everything it started.
make_root() {
  echo "=== debian-root: a brand-new Debian $suite root (debootstrap --variant=minbase)"
  local begun=$SECONDS status=0
  unshare --mount --pid --fork --kill-child --mount-proc --propagation private -- \
    debootstrap --variant=minbase "$suite" "$1" "$mirror" >"$work/debootstrap.log" 2>&1 &
  inner=$!
  wait "$inner" || status=$?
  inner=''
  if [ "$status" -ne 0 ]; then
    tail -n 30 "$work/debootstrap.log"
    echo "debian-root $suite: FAIL (debootstrap)"
    exit 1
  fi
  echo "debootstrap: $((SECONDS - begun)) s"
  cp /etc/resolv.conf "$1/etc/resolv.conf"
  # Packages must not start their services (Samba's daemons) in the root: the tests start their own.
  printf '#!/bin/sh\nexit 101\n' >"$1/usr/sbin/policy-rc.d"
  chmod 755 "$1/usr/sbin/policy-rc.d"
}

# run_inside DIR CMD...: runs CMD as root of the root DIR, with its own /proc, /sys, /dev, /run and
# /tmp, in the background of this shell so that the traps above can end it.
run_inside() {
  unshare --mount --pid --fork --kill-child --propagation private -- bash -c '
    set -e
    root=$1; shift
    mount --bind "$root" "$root"   # ip netns exec remounts / and /sys: the root must be a mount
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmpfs "$root/run"
    mount -t tmpfs tmpfs "$root/tmp"
    exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"
  ' debian-root "$@" &
  inner=$!
  local status=0
  wait "$inner" || status=$?
  inner=''
  return "$status"
}

# check_package DEB: a new root, the package installed with apt there (which brings what it depends
# on), and started. It runs in a network of its own (an unconnected loopback), so it sends nothing
# anywhere; still running after five seconds on the offscreen platform counts as started.
check_package() {
  local root=$work/clean
  make_root "$root"
  cp "$1" "$root/var/tmp/"
  echo "=== debian-root $suite: ${1##*/}, installed with apt and started"
  run_inside "$root" bash -c '
    set -eu
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "$1" >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
    dpkg-query -W -f="installed: \${Package} \${Version}\n" nodewick
    if ldd /usr/bin/nodewick | grep "not found"; then exit 1; fi
    status=0
    unshare --net env QT_QPA_PLATFORM=offscreen timeout 5 nodewick || status=$?
    [ "$status" -eq 124 ] || { echo "nodewick ended with status $status within 5 s"; exit 1; }
    echo "nodewick started and kept running"
  ' check "/var/tmp/${1##*/}"
}

failed=''
case "$mode" in
  test)
    root=$work/root
    make_root "$root"
    mkdir "$root/src"
    git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$root/src"
    echo "=== debian-root $suite: bash scripts/test.sh ${ways[*]}"
    run_inside "$root" bash -c 'cd /src && bash scripts/test.sh "$@"' test "${ways[@]}" ||
      failed="scripts/test.sh ${ways[*]}"
    elapsed "scripts/test.sh ${ways[*]}, with the root"
    if [[ " ${ways[*]} " == *" normal "* ]]; then
      echo "=== debian-root $suite: the package of the normal build"
      if run_inside "$root" bash -c 'cd /src && cpack -G DEB --config build-normal/CPackConfig.cmake \
          -B /var/tmp/package >/var/tmp/cpack.log 2>&1 || { cat /var/tmp/cpack.log; exit 1; }'; then
        check_package "$(echo "$root"/var/tmp/package/nodewick_*.deb)" || failed="${failed:+$failed, }the package"
      else
        failed="${failed:+$failed, }the package"
      fi
    fi ;;
  install)
    check_package "$deb" || failed="the package" ;;
esac

elapsed "debian-root $suite, in all"
if [ -n "$failed" ]; then
  echo "debian-root $suite: FAIL ($failed)"
  exit 1
fi
echo "debian-root $suite: PASS"
