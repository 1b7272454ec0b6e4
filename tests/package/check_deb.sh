#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its files and dependencies.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/tovrakel_*.deb)"
dpkg-deb -c "$deb" >"$out/contents"
files="$(awk '{print $6}' "$out/contents")"
fail=0
for f in ./usr/bin/tovrakel ./usr/bin/tovrakel-tool ./usr/share/applications/tovrakel.desktop \
         ./usr/share/metainfo/cn.tovrakel.Tovrakel.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/tovrakel.svg \
         ./usr/share/icons/hicolor/48x48/apps/tovrakel.png ./usr/share/icons/hicolor/256x256/apps/tovrakel.png; do
  grep -qx -- "$f" <<<"$files" || { echo "missing in package: $f"; fail=1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlite3-0 qt6-qpa-plugins fonts-noto-cjk; do
  grep -q "$d" <<<"$depends" || { echo "missing dependency: $d (Depends: $depends)"; fail=1; }
done
# Every shared library the programs load must come from a package the package depends on.
stage="$out/stage"
dpkg-deb -x "$deb" "$stage"
ldconfig -p >"$out/ldcache"
objdump -p "$stage/usr/bin/tovrakel" "$stage/usr/bin/tovrakel-tool" >"$out/objdump"
for lib in $(awk '/NEEDED/ {print $2}' "$out/objdump" | sort -u); do
  path="$(awk -v l="$lib" '$1 == l && !found {print $NF; found = 1}' "$out/ldcache")"
  [ -n "$path" ] || continue
  owner="$({ dpkg -S "$path" || dpkg -S "$(readlink -f "$path")"; } 2>/dev/null | sed -n '1s/:.*//p' || true)"
  [ -n "$owner" ] || continue
  grep -q "$owner" <<<"$depends" || { echo "library $lib comes from $owner, which the package does not depend on"; fail=1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = tovrakel ] || { echo "wrong package name"; fail=1; }
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$(dirname "$0")/../../data/cn.tovrakel.Tovrakel.metainfo.xml" >/dev/null || fail=1
fi
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
