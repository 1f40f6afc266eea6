#!/bin/sh
# Builds the Debian package as a distribution would (dpkg-buildpackage with the debian/
# directory: Release plus dpkg-buildflags' hardening flags, the tests run in that build),
# then checks it: lintian, desktop-file-validate, appstreamcli and the end-to-end test that
# unpacks the package and starts the game from it.
#
# The build runs on a copy of the source tree in build/deb/src, so the tree itself stays
# clean; the package lands in build/deb/gumbolt_<version>_<arch>.deb.
#
# Usage: tools/package.sh [--no-check]   (--no-check: build only, skip tests and checks)
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/deb"
check=yes
[ "${1:-}" = "--no-check" ] && check=no

"$root/tools/install-deps.sh"
rm -rf "$out"
mkdir -p "$out/src"
tar -C "$root" --exclude=./.git --exclude=./build --exclude='./build-*' --exclude=./out \
    --exclude='./obj-*' --exclude=./gb.dat -cf - . | tar -C "$out/src" -xf -

echo "=== Debian package build (Release + dpkg-buildflags) ==="
if [ $check = no ]; then
    export DEB_BUILD_OPTIONS="nocheck parallel=2"
else
    export DEB_BUILD_OPTIONS="parallel=2"
fi
# Warnings stay errors here, as in the presets; a distribution's build leaves them off.
export GUMBOLT_WARNINGS_AS_ERRORS=ON
status=0
(cd "$out/src" && dpkg-buildpackage -us -uc -b) >"$out/build.log" 2>&1 || status=$?
if [ $status -ne 0 ]; then
    tail -n 80 "$out/build.log"
    echo "dpkg-buildpackage failed (status $status); the whole log is $out/build.log" >&2
    exit 1
fi
if grep -E '(warning|WARNING):|CMake Warning' "$out/build.log"; then
    echo "the package build gave warnings (above); the whole log is $out/build.log" >&2
    exit 1
fi
grep -E '^(100% tests passed|[0-9]+% tests passed)' "$out/build.log" || true
deb=$(ls "$out"/gumbolt_*.deb)
echo "built $(basename "$deb")"
[ $check = no ] && exit 0

echo "=== Package checks ==="
lintian --fail-on error,warning --info "$out"/gumbolt_*.changes
echo "lintian: no errors, no warnings"

unpacked="$out/unpacked"
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
echo "desktop-file-validate: clean"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

python3 "$root/tests/e2e/debian_package.py" "$deb" "$root"
