#!/usr/bin/env python3
"""Installs the game the way a person would and runs the installed copy from elsewhere.

Usage: installed_game.py BUILD_DIR
"""

import os
import subprocess
import sys
import tempfile

build = sys.argv[1]
failures = []


def check(condition, message):
    print(("  ok: " if condition else "  FAILED: ") + message)
    if not condition:
        failures.append(message)


with tempfile.TemporaryDirectory(prefix="gumbolt-install-") as prefix, \
        tempfile.TemporaryDirectory(prefix="gumbolt-player-") as home:
    result = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                            capture_output=True, text=True, timeout=120)
    check(result.returncode == 0, "cmake --install succeeds")
    game = os.path.join(prefix, "bin", "gumbolt")
    for path in (game, os.path.join(prefix, "share", "applications", "gumbolt.desktop"),
                 os.path.join(prefix, "share", "icons", "hicolor", "256x256", "apps", "gumbolt.png")):
        check(os.path.isfile(path), f"installed {os.path.relpath(path, prefix)}")
    desktop = open(os.path.join(prefix, "share", "applications", "gumbolt.desktop")).read()
    check("Exec=gumbolt" in desktop and "Icon=gumbolt" in desktop, "the desktop entry starts the game")
    scores = b"Zed     " + (900).to_bytes(4, "little")
    with open(os.path.join(home, "gb.dat"), "wb") as out:
        out.write(scores)
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", GUMBOLT_QUIT_AFTER_FRAMES="3")
    result = subprocess.run([game], cwd=home, env=env, capture_output=True, text=True, timeout=120)
    check(result.returncode == 0, "the installed game runs from another directory")
    check("Music playing media/sfx/extend.xm" in result.stdout, "its music and pictures are built in")
    # The default table's names are printed only when there is no gb.dat to read.
    check("Quillon" not in result.stdout.splitlines() and open(os.path.join(home, "gb.dat"), "rb").read() == scores,
          "gb.dat is read where the game was started, and left as it was")

print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
