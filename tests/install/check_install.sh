#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the freedesktop layout: the program, the
# desktop entry, the icon at every size and as SVG, the AppStream metadata, and that
# desktop-file-validate and appstreamcli find nothing to report.
#   check_install.sh CMAKE BUILD_DIR APP_ID VERSION
# Exits 77 (skipped) when a validator is missing.
set -euo pipefail
cmake=$1 build=$2 id=$3 version=$4

source "$(dirname "$0")/checks.sh"
require desktop-file-validate:desktop-file-utils appstreamcli:appstream file:file

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[ -x "$prefix/bin/nodewick" ] || fail "bin/nodewick is missing or not executable"
for f in "$desktop" "$metainfo" "$prefix/share/icons/hicolor/scalable/apps/$id.svg" \
    "$prefix/share/man/man1/nodewick.1.gz" "$prefix/share/doc/nodewick/copyright" \
    "$prefix/share/doc/nodewick/changelog.gz"; do
  [ -s "$f" ] || fail "${f#"$prefix"/} is missing"
done
for size in 16 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
  # The directory names the size that the picture must have.
  file -b "$icon" | grep -q "^PNG image data, $size x $size," ||
    fail "${icon#"$prefix"/}: $(file -b "$icon" 2>&1)"
done

# The names that tie the entry, the icon and the metadata together, and the release.
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=nodewick" "$desktop" || fail "the desktop entry does not start nodewick"
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $id.desktop"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
  fail "the metadata has no dated release $version"

echo "--- desktop-file-validate"
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
  fail "desktop-file-validate: $out"
fi
echo "${out:-(nothing to report)}"
echo "--- appstreamcli validate --no-net"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate"
echo "$out"
echo "--- appstreamcli validate-tree --no-net"
out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) || fail "appstreamcli validate-tree"
echo "$out"

finish "installed tree"
