#!/usr/bin/env python3
"""Installs the game the way a person would and runs the installed copy from elsewhere.

Usage: installed_game.py BUILD_DIR [BINDIR LIBEXECDIR]   (the install directories, relative
to the prefix; bin and libexec when not given)
"""

import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # the import below leaves nothing in the source tree
from checks import check, summary  # noqa: E402

build = sys.argv[1]
bindir = sys.argv[2] if len(sys.argv) > 2 else "bin"
libexecdir = sys.argv[3] if len(sys.argv) > 3 else "libexec"


with tempfile.TemporaryDirectory(prefix="gumbolt-install-") as prefix, \
        tempfile.TemporaryDirectory(prefix="gumbolt-player-") as home:
    result = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                            capture_output=True, text=True, timeout=120)
    check(result.returncode == 0, "cmake --install succeeds")
    game = os.path.join(prefix, bindir, "gumbolt")
    share = os.path.join(prefix, "share")
    entry_path = os.path.join(share, "applications", "org.gumbolt.Gumbolt.desktop")
    launcher = os.path.join(prefix, libexecdir, "gumbolt", "launch-from-menu")
    for path in [game, launcher, entry_path,
                 os.path.join(share, "metainfo", "org.gumbolt.Gumbolt.metainfo.xml"),
                 os.path.join(share, "man", "man6", "gumbolt.6")] + \
                [os.path.join(share, "icons", "hicolor", f"{s}x{s}", "apps", "gumbolt.png")
                 for s in (48, 64, 128, 256)]:
        check(os.path.isfile(path), f"installed {os.path.relpath(path, prefix)}")
    entry = open(entry_path).read() if os.path.isfile(entry_path) else ""
    # The prefix is chosen at install time, after configuring: the entry still names the
    # launcher where it was installed.
    check(f"\nExec={launcher}\n" in entry and "\nIcon=gumbolt\n" in entry,
          "the desktop entry starts the installed launcher")
    scores = b"Zed     " + (900).to_bytes(4, "little")
    with open(os.path.join(home, "gb.dat"), "wb") as out:
        out.write(scores)
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", GUMBOLT_QUIT_AFTER_FRAMES="3")
    env.pop("XDG_DATA_HOME", None)
    result = subprocess.run([game], cwd=home, env=env, capture_output=True, text=True, timeout=120)
    check(result.returncode == 0, "the installed game runs from another directory")
    check("Music playing media/sfx/extend.xm" in result.stdout, "its music and pictures are built in")
    # The default table's names are printed only when there is no gb.dat to read.
    check("Quillon" not in result.stdout.splitlines() and open(os.path.join(home, "gb.dat"), "rb").read() == scores,
          "gb.dat is read where the game was started, and left as it was")
    # Started from the menu, the game runs in $XDG_DATA_HOME/gumbolt (made on first start)
    # and reads the scores kept there.
    data = os.path.join(home, "data", "gumbolt")
    os.makedirs(data)
    with open(os.path.join(data, "gb.dat"), "wb") as out:
        out.write(scores)
    menu_env = dict(env, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"))
    result = subprocess.run([launcher], cwd=prefix, env=menu_env, capture_output=True, text=True,
                            timeout=120)
    check(result.returncode == 0 and "Quillon" not in result.stdout.splitlines(),
          "started from the menu, the game reads gb.dat in $XDG_DATA_HOME/gumbolt")
    fresh_env = dict(menu_env, XDG_DATA_HOME=os.path.join(home, "fresh"))
    result = subprocess.run([launcher], cwd=prefix, env=fresh_env, capture_output=True, text=True,
                            timeout=120)
    check(result.returncode == 0 and os.path.isdir(os.path.join(home, "fresh", "gumbolt")),
          "the launcher makes the data directory on first start")

sys.exit(summary())
