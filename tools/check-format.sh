#!/bin/sh
# Checks that every C++ file of the project follows .clang-format (clang-format 14, Debian 12's).
# With --fix it formats them in place instead.
#
# Usage: tools/check-format.sh [--fix]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if [ "${1:-}" = "--fix" ]; then
    mode="-i"
else
    mode="--dry-run --Werror"
fi
# Every C++ source and header outside the build trees.
find . \( -path ./.git -o -path ./build -o -path './build-*' -o -path ./out -o -path './obj-*' \) \
    -prune -o \( -name '*.cpp' -o -name '*.h' \) -type f -print0 |
    sort -z |
    # shellcheck disable=SC2086
    xargs -0 clang-format $mode
