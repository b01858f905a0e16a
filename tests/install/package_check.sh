#!/usr/bin/env bash
# package_check.sh BUILD VERSION: builds the Debian package from BUILD with CPack into a
# temporary folder and checks it: its name and version, Depends computed from the linked
# libraries, the same files as `cmake --install`, and no lintian errors (warnings are
# printed for the record).
set -u
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1
fi
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { ls -l "$work/pkg"; echo "FAIL: expected one .deb"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

[ "$(dpkg-deb -f "$deb" Package)" = rostelmark ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 coinor-libcbc3 libcups2; do
  [[ "$depends" == *"$lib "* || "$depends" == *"$lib,"* || "$depends" == *"$lib" ]] || fail "Depends lacks $lib"
done

# The package holds the files of a plain install under /usr, no more and no less.
cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install"
(cd "$work/prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./usr/||' | sort >"$work/packaged"
diff -u "$work/installed" "$work/packaged" || fail "package and install differ"

lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1
rc=$?
cat "$work/lintian.log"
[ $rc -eq 0 ] || fail "lintian reports errors (exit $rc)"

[ $status -eq 0 ] && echo "package complete, lintian without errors"
exit $status
