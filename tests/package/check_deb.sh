#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its files, dependencies, manual pages
# and lintian's verdict.
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
         ./usr/share/icons/hicolor/48x48/apps/tovrakel.png ./usr/share/icons/hicolor/256x256/apps/tovrakel.png \
         ./usr/share/doc/tovrakel/copyright ./usr/share/doc/tovrakel/changelog.gz; do
  grep -qx -- "$f" <<<"$files" || { echo "missing in package: $f"; fail=1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlite3-0 qt6-qpa-plugins fonts-noto-cjk libpq5; do
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
# xdg-utils and what it recommends are dozens of packages a till does not need; desktops have it.
for field in Depends Recommends; do
  if grep -q xdg-utils <<<"$(dpkg-deb -f "$deb" "$field")"; then echo "xdg-utils in $field: it is only suggested"; fail=1; fi
done
# Every program has its manual page, and the pages describe what the programs take today.
for program in "$stage"/usr/bin/*; do
  name="$(basename "$program")"
  [ -f "$stage/usr/share/man/man1/$name.1.gz" ] || { echo "no manual page for $name"; fail=1; }
done
page() { zcat "$stage/usr/share/man/man1/$1.1.gz" | sed 's/\\//g'; }
subcommands="$("$stage/usr/bin/tovrakel-tool" --help | awk '$1 == "tovrakel-tool" && $2 ~ /^[a-z]/ {print $2}' | sort -u)"
options="$(grep -o '"--[a-z][a-z-]*"' "$(dirname "$0")/../../src/app/ui/startup.cpp" | tr -d '"' | sort -u)"
[ -n "$subcommands" ] && [ -n "$options" ] || { echo "cannot read the subcommands or the program's options"; fail=1; }
for sub in $subcommands; do
  grep -qx "\.SS $sub" <<<"$(page tovrakel-tool)" || { echo "tovrakel-tool.1 does not describe the subcommand $sub"; fail=1; }
done
for option in $options; do
  grep -q -- "^\.BI\? $option\( \|$\)" <<<"$(page tovrakel)" || { echo "tovrakel.1 does not describe the option $option"; fail=1; }
done
changelog_version="$(zcat "$stage/usr/share/doc/tovrakel/changelog.gz" | sed -n '1s/^tovrakel (\(.*\)).*/\1/p')"
[ "$changelog_version" = "$(dpkg-deb -f "$deb" Version)" ] ||
  { echo "the changelog's latest entry is $changelog_version, the package $(dpkg-deb -f "$deb" Version)"; fail=1; }
# Lintian's errors and warnings fail the package.
lintian --fail-on error,warning "$deb" >"$out/lintian" 2>&1 || { cat "$out/lintian"; fail=1; }
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$(dirname "$0")/../../data/cn.tovrakel.Tovrakel.metainfo.xml" >/dev/null || fail=1
fi
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
