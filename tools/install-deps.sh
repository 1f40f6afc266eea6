#!/bin/sh
# Installs the Debian packages that building, running and testing Gumbolt need, or the
# packages named as arguments (tools/web/install-deps.sh names the browser build's).
# Quiet and quick when everything is already there; uses sudo when not root.
set -e

DEFAULT_PACKAGES="build-essential cmake ninja-build pkg-config git python3
libsdl2-dev libpng-dev zlib1g-dev libopenmpt-dev libvorbis-dev libogg-dev
libfreetype-dev fonts-dejavu-core fonts-cherrybomb
libgtest-dev libgmock-dev googletest libbenchmark-dev clang clang-format clang-tidy
xvfb xdotool x11-utils x11-apps bc openbox libx11-dev
dpkg-dev debhelper lintian desktop-file-utils appstream man-db"
PACKAGES="${*:-$DEFAULT_PACKAGES}"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
