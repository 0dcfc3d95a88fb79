#!/usr/bin/env bash
# Builds the Debian package from the build with CPack and checks its control fields (dpkg-deb -f),
# its contents (dpkg-deb -c) and that lintian reports no errors.
#   check_package.sh CPACK BUILD_DIR APP_ID VERSION
# Exits 77 (skipped) when a tool is missing.
set -euo pipefail
cpack=$1 build=$2 id=$3 version=$4

source "$(dirname "$0")/checks.sh"
require dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file lintian:lintian

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# A directory of its own, so the build directory keeps no package behind.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  exit 1
fi
deb=$out/nodewick_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  cat "$out/cpack.log"
  echo "FAIL: no ${deb##*/}"
  exit 1
fi

echo "--- dpkg-deb -f"
dpkg-deb -f "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = nodewick ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
[ "$(field Recommends)" = "iputils-ping, xdg-utils" ] || fail "Recommends: $(field Recommends)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Homepage)" = https://www.nodewick.example.org/ ] || fail "Homepage: $(field Homepage)"
# dpkg-shlibdeps computed these from the binary, each with its minimum version. Since Debian 13 a
# library whose interface took the 64-bit time_t may have its package's name end in t64
# (libqt6core6t64).
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libcap2; do
  [[ ", $(field Depends)" == *", $lib (>= "* || ", $(field Depends)" == *", ${lib}t64 (>= "* ]] ||
    fail "Depends lacks $lib: $(field Depends)"
done

echo "--- dpkg-deb -c"
listing=$(dpkg-deb -c "$deb")
echo "$listing"
has() { # MODE PATH: a file owned by root with these permissions
  echo "$listing" | grep -qE "^$1 root/root +[0-9]+ [0-9-]+ [0-9:]+ \./$2\$" || fail "the package lacks $1 $2"
}
has -rwxr-xr-x usr/bin/nodewick
has -rw-r--r-- "usr/share/applications/$id.desktop"
has -rw-r--r-- "usr/share/metainfo/$id.metainfo.xml"
for size in 16 24 32 48 64 128 256; do
  has -rw-r--r-- "usr/share/icons/hicolor/${size}x$size/apps/$id.png"
done
has -rw-r--r-- "usr/share/icons/hicolor/scalable/apps/$id.svg"
has -rw-r--r-- usr/share/man/man1/nodewick.1.gz
has -rw-r--r-- usr/share/doc/nodewick/copyright
has -rw-r--r-- usr/share/doc/nodewick/changelog.gz
stray=$(echo "$listing" | awk '{print $6}' | grep -vE '^\./(usr/(bin|share)(/.*)?|usr/?)?/?$' || true)
[ -z "$stray" ] || fail "files outside /usr/bin and /usr/share: $stray"
# Debian's policy: directories 755.
baddirs=$(echo "$listing" | grep '^d' | grep -v '^drwxr-xr-x root/root' || true)
[ -z "$baddirs" ] || fail "directories not 755 root/root: $baddirs"

echo "--- lintian"
lintian_status=0
lintian --fail-on error "$deb" || lintian_status=$?
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors (status $lintian_status)"

finish "package ${deb##*/}"
