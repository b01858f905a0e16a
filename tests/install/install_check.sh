#!/usr/bin/env bash
# install_check.sh BUILD VERSION APPID SMOKE_SCRIPT [cli]: installs BUILD into a fresh
# prefix and checks what a user gets: exactly the expected files, menu entry and metadata
# accepted by the freedesktop validators, icons of the right size, manual pages that
# format without warnings, --help/--version without any display, no run-time path into
# the build, and a clean offscreen start and stop of the installed program.
set -u
build=$1 version=$2 appid=$3 smoke=$4 cli=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
status=0
fail() { echo "FAIL: $*"; status=1; }

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1
fi

expected=(
  bin/rostelmark
  share/applications/$appid.desktop
  share/metainfo/$appid.metainfo.xml
  share/icons/hicolor/scalable/apps/$appid.svg
  share/icons/hicolor/48x48/apps/$appid.png
  share/icons/hicolor/256x256/apps/$appid.png
  share/man/man1/rostelmark.1.gz
  share/doc/rostelmark/copyright
  share/doc/rostelmark/changelog.gz
  lib/rostelmark/librostelmark-cbc.so
)
bins=(rostelmark)
if [ "$cli" = cli ]; then
  expected+=(bin/rostelmark-cli share/man/man1/rostelmark-cli.1.gz)
  bins+=(rostelmark-cli)
fi
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "installed files differ from the expected layout"
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "empty or missing: $f"; done

desktop-file-validate "$prefix/share/applications/$appid.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$appid.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$appid.metainfo.xml" \
  || fail "metainfo has no release $version"
for size in 48 256; do
  file -b "$prefix/share/icons/hicolor/${size}x$size/apps/$appid.png" | grep -q "^PNG image data, $size x $size," \
    || fail "icon $size is not a ${size}x$size PNG"
done

for b in "${bins[@]}"; do
  page=$prefix/share/man/man1/$b.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page $b.1 formats with warnings: $warnings"
  zcat "$page" | grep -q "Rostelmark $version" || fail "manual page $b.1 does not name version $version"

  exe=$prefix/bin/$b
  # No run-time search path at all: the libraries come from the system.
  if readelf -d "$exe" | grep -qE 'RPATH|RUNPATH'; then fail "$b has a run-time search path"; fi
  if ldd "$exe" | grep -q 'not found'; then fail "$b: unresolved libraries"; fi
  # --version and --help need neither a display nor a platform setting.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u ROSTELMARK_SOURCE_DIR "$exe" --version 2>&1)
  rc=$?
  [ $rc -eq 0 ] || fail "$b --version exited with $rc: $out"
  [[ "$out" == *" $version" ]] || fail "$b --version printed '$out', not the version $version"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u ROSTELMARK_SOURCE_DIR "$exe" --help 2>&1)
  rc=$?
  [ $rc -eq 0 ] || fail "$b --help exited with $rc: $out"
  [[ "$out" == *--version* ]] || fail "$b --help does not describe --version: $out"
done
# The solver module, loaded on the first proposal from beside the installed programs:
# its libraries resolve and it answers with the interface version the programs expect.
module=$prefix/lib/rostelmark/librostelmark-cbc.so
if ldd "$module" | grep -q 'not found'; then fail "solver module: unresolved libraries"; fi
abi=$(python3 -c 'import ctypes, sys; print(ctypes.CDLL(sys.argv[1]).rostelmark_mip_abi())' "$module" 2>&1)
want=$(sed -n 's/^enum { kRmMipAbi = \([0-9]*\) };$/\1/p' "$(dirname "$smoke")/../../src/planning/mipmodule.h")
[ -n "$want" ] && [ "$abi" = "$want" ] || fail "solver module answers '$abi', not interface $want"

[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/rostelmark" --version)" = "Rostelmark $version" ] \
  || fail "rostelmark --version is not 'Rostelmark $version'"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/rostelmark" --help-all | grep -q -- --version \
  || fail "rostelmark --help-all needs a display"

# A wrong option ends the desktop program with a message and exit code 1 instead of
# opening the window, also without any display (the toolkit's own options still pass).
for pre in "" "-platform offscreen"; do
  # shellcheck disable=SC2086
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/rostelmark" $pre --no-such-option 2>&1)
  rc=$?
  [ $rc -eq 1 ] && [[ "$out" == *no-such-option* ]] || fail "unknown option ($pre): exit $rc, '$out'"
done

# The installed program on its own: fresh home, started from elsewhere, build-tree
# variables removed.
(cd / && env -u ROSTELMARK_SOURCE_DIR "$smoke" "$prefix/bin/rostelmark") || fail "installed program did not start and stop cleanly"

# The installed tool on its own, without a display: it draws a month picture from an
# empty data folder in a fresh home.
if [ "$cli" = cli ]; then
  mkdir -p "$work/home/data"
  (export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/share
   cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u ROSTELMARK_SOURCE_DIR \
     "$prefix/bin/rostelmark-cli" --data "$work/home/data" render month --month 1 --year 2026 -o "$work/month.png") \
    || fail "installed rostelmark-cli render failed"
  file -b "$work/month.png" 2>/dev/null | grep -q '^PNG image data' || fail "installed rostelmark-cli wrote no PNG"
fi

[ $status -eq 0 ] && echo "installed layout complete and valid"
exit $status
