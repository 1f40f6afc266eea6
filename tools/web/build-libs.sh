#!/bin/sh
# Builds SDL2, libopenmpt, libogg, libvorbis, libpng, zlib and GoogleTest for WebAssembly into a
# prefix kept outside the tree, and prints the prefix's path on standard output.
#
# The prefix lives in ${XDG_CACHE_HOME:-$HOME/.cache}/gumbolt/web-libs/KEY, where KEY is a hash
# of the libraries' source versions in the archive, the compiler's version and the recipe
# (build_libs.py): a new version or a changed recipe builds a new prefix, and the old ones are
# removed. The sources come from Debian's source packages (`apt-get source`); when
# the newest revision of one cannot be fetched, the one before it is used.
set -e
here="$(cd "$(dirname "$0")" && pwd)"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/gumbolt"
packages="libsdl2 libopenmpt libogg libvorbis libpng1.6 zlib"
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

# The versions on offer, newest first.
versions() {
    apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u -V -r
}

key="$({
    for p in $packages; do echo "$p $(versions "$p" | head -n 1)"; done
    dpkg-query -W -f='${Package} ${Version}\n' googletest emscripten
    cat "$here/build_libs.py"
} | sha256sum | cut -c1-16)"
prefix="$cache/web-libs/$key"
if [ -f "$prefix/.complete" ]; then
    echo "web libraries: $prefix (cached)" >&2
    echo "$prefix"
    exit 0
fi

echo "web libraries: building into $prefix" >&2
start=$(date +%s)
mkdir -p "$cache/web-libs"
work="$(mktemp -d "$cache/web-libs/build-XXXXXX")"
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
mkdir src
for p in $packages; do
    fetched=""
    for v in $(versions "$p"); do
        if apt-get source -qq --download-only -o APT::Sandbox::User=root "$p=$v" >log 2>&1; then
            fetched="$v"
            break
        fi
        echo "web libraries: $p $v could not be fetched, trying the revision before it" >&2
        sed 's/^/  /' log >&2
    done
    if [ -z "$fetched" ]; then
        echo "web libraries: no source of $p could be fetched (is there a deb-src entry?)" >&2
        exit 1
    fi
    dsc="${p}_$(echo "$fetched" | sed 's/^[0-9]*://').dsc"
    dpkg-source --no-check -x "$dsc" "src/$p-$(echo "$fetched" | sed 's/^[0-9]*://')" >/dev/null
    echo "web libraries: $p $fetched" >&2
done
fetched_at=$(date +%s)

# Standard output carries only the prefix's path.
python3 "$here/build_libs.py" "$work/src" "$work/prefix" >&2
touch "$work/prefix/.complete"
rm -rf "$prefix"
mv "$work/prefix" "$prefix"
# Prefixes of other versions or recipes are of no more use.
for old in "$cache/web-libs"/*; do
    case "$old" in "$prefix" | "$work") ;; *) rm -rf "$old" ;; esac
done
end=$(date +%s)
echo "web libraries: fetched in $((fetched_at - start)) s, built in $((end - fetched_at)) s: $prefix" >&2
echo "$prefix"
