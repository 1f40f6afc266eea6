#!/usr/bin/env python3
"""Checks the built Debian package from outside and plays the game unpacked from it.

The package is unpacked with dpkg-deb -x into a temporary root (nothing is installed on the
machine). The game starts from there with SDL's dummy drivers and ends itself after a few
frames; the desktop entry's launcher is run the way a menu runs it.

Usage: debian_package.py GUMBOLT_DEB SOURCE_ROOT
"""

import os
import re
import stat
import struct
import subprocess
import sys
import tempfile

DEB = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
failures = []


def check(condition, message):
    print(("  ok: " if condition else "  FAILED: ") + message)
    if not condition:
        failures.append(message)
    return condition


def output(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, check=True,
                          **kwargs).stdout


def owning_package(library):
    """The installed package that holds the library; with a merged /usr the package may list
    it under /lib while the loader finds it under /usr/lib, or the other way round."""
    candidates = []
    for path in (library, os.path.realpath(library)):
        candidates += [path, path[4:] if path.startswith("/usr/") else "/usr" + path]
    for path in candidates:
        found = subprocess.run(["dpkg", "-S", path], capture_output=True, text=True, timeout=60)
        if found.returncode == 0:
            return found.stdout.split(":")[0]
    return f"(no package holds {library})"


def game_env(**extra):
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
               GUMBOLT_QUIT_AFTER_FRAMES="3")
    for name in ("GUMBOLT_DEBUG", "XDG_DATA_HOME"):
        env.pop(name, None)
    env.update(extra)
    return env


def run(command, cwd, env):
    return subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True, timeout=120)


SCORES = b"Zed     " + (900).to_bytes(4, "little")


def place_scores(where):
    """Puts a one-entry gb.dat in `where`; a game started there reads it instead of making the
    default table (whose names it prints)."""
    os.makedirs(where, exist_ok=True)
    with open(os.path.join(where, "gb.dat"), "wb") as out:
        out.write(SCORES)


def played(result, where):
    """The game ran to its end in `where`: it read the gb.dat placed there (it printed none of
    the default names) and, having added no score, left the file as it was."""
    with open(os.path.join(where, "gb.dat"), "rb") as scores:
        kept = scores.read() == SCORES
    return result.returncode == 0 and "Quillon" not in result.stdout.splitlines() and kept


# ---------------------------------------------------------------- the package's fields

print("package fields")
fields = {name: output("dpkg-deb", "-f", DEB, name).strip()
          for name in ("Package", "Version", "Architecture", "Section", "Depends")}
check(fields["Package"] == "gumbolt", "the package is called gumbolt")
check(fields["Section"] == "games", "it is in the games section")
depends = {re.split(r"[ (]", item.strip())[0] for item in fields["Depends"].split(",")}
check(not any(name.endswith("-dev") for name in depends), f"no -dev package among {sorted(depends)}")

# ---------------------------------------------------------------- the files it carries

print("contents")
listing = output("dpkg-deb", "-c", DEB)
paths = {line.split()[-1].lstrip(".") for line in listing.splitlines()}
files = {p for p in paths if not p.endswith("/")}
expected = {
    "/usr/games/gumbolt",
    "/usr/libexec/gumbolt/launch-from-menu",
    "/usr/share/applications/org.gumbolt.Gumbolt.desktop",
    "/usr/share/metainfo/org.gumbolt.Gumbolt.metainfo.xml",
    "/usr/share/man/man6/gumbolt.6.gz",
    "/usr/share/doc/gumbolt/copyright",
    "/usr/share/doc/gumbolt/changelog.gz",
} | {f"/usr/share/icons/hicolor/{s}x{s}/apps/gumbolt.png" for s in (48, 64, 128, 256)}
check(expected <= files, f"carries {sorted(expected - files) or 'every expected file'}")
check(all(p.startswith("/usr/") for p in files), "every file lies under /usr")
check(any(p.startswith("/usr/share/doc/gumbolt/README") for p in files), "carries the README")

with tempfile.TemporaryDirectory(prefix="gumbolt-deb-") as scratch:
    root = os.path.join(scratch, "root")
    output("dpkg-deb", "-x", DEB, root)
    game = os.path.join(root, "usr", "games", "gumbolt")

    # ------------------------------------------------------------ the executable

    print("the executable")
    version = fields["Version"].split(":")[-1].rsplit("-", 1)[0]
    result = run([game, "--version"], scratch, game_env())
    check(result.returncode == 0 and result.stdout.split("\n")[0] == f"gumbolt {version}",
          f"--version prints the package's version {version} (got {result.stdout!r})")
    check("GPL-3.0-or-later" in result.stdout, "and the licence")
    result = run([game, "--help"], scratch, game_env())
    check(result.returncode == 0 and "gb.dat" in result.stdout and result.stderr == "",
          "--help prints the usage and exits 0")
    result = run([game, "--bogus"], scratch, game_env())
    check(result.returncode == 2 and result.stdout == "" and "Usage: gumbolt" in result.stderr,
          f"an unknown option prints the usage on standard error, exit 2 (got {result.returncode})")

    # Built with the packager's hardening flags: full RELRO, bind now, position independent,
    # stack protector and fortified functions.
    headers = output("readelf", "-W", "-h", "-l", "-d", game)
    symbols = output("readelf", "-W", "--dyn-syms", game)
    check("GNU_RELRO" in headers, "RELRO")
    check(re.search(r"\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW", headers) is not None, "bind now")
    check(re.search(r"Type:\s+DYN", headers) is not None, "position independent")
    check("__stack_chk_fail" in symbols, "stack protector")
    check(re.search(r"__\w+_chk\b", symbols.replace("__stack_chk_fail", "")) is not None,
          "fortified functions")

    # The libraries it needs are exactly those the package depends on.
    needed = re.findall(r"\(NEEDED\).*\[(.+)\]", headers)
    providers = set()
    for soname in needed:
        known = re.search(r"\s" + re.escape(soname) + r" \(libc6,x86-64[^)]*\) => (\S+)",
                          output("ldconfig", "-p"))
        if check(known is not None, f"{soname} is known to the system"):
            providers.add(owning_package(known.group(1)))
    check(providers <= depends, f"the package depends on every library's package {sorted(providers)}")
    check(depends - providers <= {"libgcc-s1"},
          f"and on nothing else (extra: {sorted(depends - providers)})")

    # ------------------------------------------------------------ started from a terminal

    print("started from a terminal")
    here = os.path.join(scratch, "terminal")
    place_scores(here)
    result = run([game], here, game_env())
    check(result.returncode == 0, f"the unpacked game runs (status {result.returncode})")
    check("Music playing media/sfx/extend.xm" in result.stdout, "with its music built in")
    check(played(result, here), "gb.dat is kept in the directory it was started from")

    # ------------------------------------------------------------ started from the menu

    print("started from the desktop menu")
    entry = open(os.path.join(root, "usr/share/applications/org.gumbolt.Gumbolt.desktop")).read()
    exec_line = re.search(r"^Exec=(\S+)$", entry, re.M)
    check(exec_line is not None and exec_line.group(1) == "/usr/libexec/gumbolt/launch-from-menu",
          "the desktop entry starts the launcher")
    check(re.search(r"^Icon=gumbolt$", entry, re.M) is not None, "and shows the gumbolt icon")
    launcher = os.path.join(root, "usr/libexec/gumbolt/launch-from-menu")
    home = os.path.join(scratch, "home")
    menu_cwd = os.path.join(scratch, "menu")
    os.makedirs(home)
    os.makedirs(menu_cwd)

    result = run([launcher], menu_cwd, game_env(HOME=home))
    data = os.path.join(home, ".local", "share", "gumbolt")
    check(result.returncode == 0 and "Music playing media/sfx/extend.xm" in result.stdout,
          "the launcher starts the game")
    check(os.path.isdir(data) and stat.S_IMODE(os.stat(data).st_mode) == 0o700,
          "the data directory ~/.local/share/gumbolt is made on first start, private to the player")
    check(not os.path.exists(os.path.join(menu_cwd, "gb.dat")),
          "nothing is written where the menu started it")
    place_scores(data)
    result = run([launcher], menu_cwd, game_env(HOME=home))
    check(played(result, data), "without XDG_DATA_HOME, gb.dat is kept in ~/.local/share/gumbolt")

    xdg = os.path.join(scratch, "xdg data")
    place_scores(os.path.join(xdg, "gumbolt"))
    result = run([launcher], menu_cwd, game_env(HOME=home, XDG_DATA_HOME=xdg))
    check(played(result, os.path.join(xdg, "gumbolt")), "with XDG_DATA_HOME, gb.dat is kept there")

    for bad in ("", "relative/dir"):
        result = run([launcher], menu_cwd, game_env(HOME=home, XDG_DATA_HOME=bad))
        check(played(result, data), f"XDG_DATA_HOME={bad!r} is ignored, as the standard asks")
    check(not os.path.exists(os.path.join(menu_cwd, "relative")), "no relative directory made")

    blocked = os.path.join(scratch, "blocked")
    open(blocked, "w").close()
    result = run([launcher], menu_cwd, game_env(HOME=home, XDG_DATA_HOME=blocked))
    check(result.returncode != 0 and "cannot make the data directory" in result.stderr
          and "Music playing" not in result.stdout,
          "a data directory that cannot be made is reported and the game does not start")

    # ------------------------------------------------------------ icons, metainfo, manual

    print("icons, metainfo and manual page")
    for size in (48, 64, 128, 256):
        with open(os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/gumbolt.png"),
                  "rb") as icon:
            head = icon.read(24)
        width, height = struct.unpack(">II", head[16:24])
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and (width, height) == (size, size),
              f"the {size} pixel icon is a {size} x {size} PNG")
    metainfo = open(os.path.join(root, "usr/share/metainfo/org.gumbolt.Gumbolt.metainfo.xml")).read()
    shown = set(re.findall(r"/screenshots/([\w.-]+\.png)</image>", metainfo))
    committed = {f for f in os.listdir(os.path.join(SOURCE, "docs", "screenshots"))
                 if f.endswith(".png")}
    check(shown == committed, f"the metainfo shows every screenshot of docs/screenshots "
                              f"(missing {sorted(committed - shown)}, unknown {sorted(shown - committed)})")
    check(f'<release version="{version}"' in metainfo, f"the metainfo names release {version}")
    man = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                          os.path.join(root, "usr/share/man/man6/gumbolt.6.gz")],
                         capture_output=True, text=True, timeout=60,
                         env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MANROFFSEQ=""))
    check(man.returncode == 0 and man.stderr == "", f"the manual page formats cleanly {man.stderr!r}")

    # ------------------------------------------------------------ the licence

    print("the licence")
    copyright_text = open(os.path.join(root, "usr/share/doc/gumbolt/copyright")).read()
    whole = re.search(r"^Files: \*\n(?:[A-Z].*\n)*?License: (\S+)$", copyright_text, re.M)
    check(whole is not None and whole.group(1) == "GPL-3+",
          "the copyright file puts every file under GPL-3+ unless a paragraph says more")
    check('"/usr/share/common-licenses/GPL-3"' in copyright_text,
          "and points to the licence's text on the system")
    check("all rights" not in copyright_text.lower(), "and keeps no rights back")
    check("<project_license>GPL-3.0-or-later</project_license>" in metainfo and
          "<metadata_license>CC0-1.0</metadata_license>" in metainfo,
          "the metainfo names the game's licence and its own")
    with open(os.path.join(SOURCE, "LICENSE"), "rb") as ours, \
            open("/usr/share/common-licenses/GPL-3", "rb") as gpl:
        check(ours.read() == gpl.read(), "LICENSE is the GPL version 3's full text")

print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
