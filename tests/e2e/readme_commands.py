#!/usr/bin/env python3
"""Keeps the README's commands working.

Every command in the README's shell code blocks (```sh), and every alternative a comment
there offers after "or:", must be listed in COMMANDS below with what runs it: one of the
checks of this script, another test, or the reason no test can run it. `known` fails when
the README shows a command the list does not know, or the list keeps one the README no
longer shows; `run` runs the checks of the stages it is given:

  build     after the release build (tools/test.sh runs it): the build commands, the first
            command (tools/play.sh) on a virtual X server with a window manager, the CMake
            installs, tools/measure.sh and the benchmark program
  package   after tools/package.sh (tools/test.sh runs it): the package's install
  web       after the web build (tools/test.sh runs it): tools/web.sh builds and serves the
            site on 127.0.0.1

A new README command gets a line in COMMANDS, and a check here (a function named in the
line; a new stage needs nothing else) or the name of the test that runs it.

Usage: readme_commands.py known
       readme_commands.py run STAGE...
"""

import gzip
import os
import re
import shlex
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from dataclasses import dataclass

sys.dont_write_bytecode = True  # importing xserver must leave nothing in the source tree
from checks import check, failures, summary  # noqa: E402
from xserver import TITLE, VirtualScreen  # noqa: E402

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
README = os.path.join(ROOT, "README.md")


@dataclass
class Command:
    text: str                # as the README writes it
    where: str               # what runs it, or why nothing can
    check: str | None = None  # the function of this script that runs it, if any
    stage: str | None = None  # when that check can run


COMMANDS = [
    Command("sh tools/play.sh",
            "readme_commands.py (check_play): from the root and from an empty directory, on "
            "Xvfb with openbox; and with --help", "check_play", "build"),
    Command("sh tools/test.sh",
            "is the test command itself; CI runs it, and a test cannot run the command that "
            "runs it"),
    Command("sh tools/package.sh", "tools/test.sh, its last step, exactly as written"),
    Command("sh tools/web.sh",
            "readme_commands.py (check_web): as written with GUMBOLT_WEB_PORT set to a free "
            "port; the page and the wasm are fetched from the address it prints, then it is "
            "stopped", "check_web", "web"),
    Command("sudo apt install ./build/deb/gumbolt_*.deb",
            "readme_commands.py (check_package_install): apt simulates it; for real only as "
            "root with GUMBOLT_TEST_SYSTEM_INSTALL=1", "check_package_install", "package"),
    Command("gumbolt",
            "readme_commands.py (check_package_install) after the real install; always "
            "tests/e2e/debian_package.py on the unpacked package", "check_package_install",
            "package"),
    Command("man 6 gumbolt",
            "readme_commands.py (check_package_install) after the real install; always "
            "tests/e2e/debian_package.py formats the unpacked page", "check_package_install",
            "package"),
    Command("sudo apt remove gumbolt",
            "readme_commands.py (check_package_install) after the real install; without it "
            "there is nothing to remove", "check_package_install", "package"),
    Command("cmake --preset release && cmake --build --preset release",
            "readme_commands.py (check_build), exactly as written", "check_build", "build"),
    Command("cmake --install build/release --prefix ~/.local",
            "readme_commands.py (check_install): exactly as written with HOME in a temporary "
            "directory", "check_install", "build"),
    Command("sudo cmake --install build/release",
            "readme_commands.py (check_install): without sudo, with DESTDIR in a temporary "
            "directory (a test does not write to /usr/local)", "check_install", "build"),
    Command("sh tools/measure.sh",
            "readme_commands.py (check_measure) with MEASURE_RUNS=1 MEASURE_SECONDS=1 (five "
            "runs of 15 s windows take three minutes)", "check_measure", "build"),
    Command("sh tools/measure.sh path/to/gumbolt",
            "readme_commands.py (check_measure) on a copy installed in a temporary directory, "
            "one short run", "check_measure", "build"),
    Command("MEASURE_RUNS=9 MEASURE_SECONDS=30 sh tools/measure.sh",
            "readme_commands.py (check_measure) with smaller values of the same variables "
            "(these take ten minutes)", "check_measure", "build"),
    Command("build/release/benchmarks/game/game_benchmarks --benchmark_repetitions=5",
            "readme_commands.py (check_benchmarks): as written plus a short "
            "--benchmark_min_time", "check_benchmarks", "build"),
]



# ---------------------------------------------------------------- the README's commands

def readme_commands(text):
    """The commands of the shell code blocks in `text`, in order: each line without its
    comment, and each alternative a comment gives after "or:"."""
    commands = []
    fence = None  # the language of the open code block, or None outside one
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("```"):
            fence = None if fence is not None else (stripped[3:].strip() or "text")
            continue
        if fence not in ("sh", "bash", "shell"):
            continue
        comment_start = re.search(r"(?:^|\s)#", stripped)
        command = stripped[:comment_start.start()] if comment_start else stripped
        comment = stripped[comment_start.end():] if comment_start else ""
        for candidate in [command] + re.findall(r"\bor:\s*(.+)$", comment):
            candidate = " ".join(candidate.split())
            if candidate:
                commands.append(candidate)
    return commands


SAMPLE = """
```sh
sh tools/a.sh     # does a; or: sh tools/a.sh --fast
                  # a comment going on, no command
  B=1 sh   tools/b.sh
```
```text
not a command
```
```bash
# a whole-line comment
c --x && d     # or: sudo c
```
"""


def known():
    """The extraction finds what a reader sees as commands; then every README command is
    listed, and every listed command is in the README."""
    check(readme_commands(SAMPLE) == ["sh tools/a.sh", "sh tools/a.sh --fast", "B=1 sh tools/b.sh",
                                      "c --x && d", "sudo c"],
          "commands are read from sh and bash blocks, without comments, with the alternatives")
    with open(README) as readme:
        shown = readme_commands(readme.read())
    listed = [c.text for c in COMMANDS]
    check(len(shown) > 0, f"the README shows commands ({len(shown)})")
    for c in COMMANDS:
        print(f"  {c.text}\n      {c.where}")
    for command in shown:
        if command not in listed:
            check(False, f"the README's command {command!r} is listed in COMMANDS, with what "
                         "runs it or why nothing can")
    for command in listed:
        if command not in shown:
            check(False, f"the listed command {command!r} is in the README (or the line goes)")
    check(len(set(listed)) == len(listed), "no command is listed twice")
    for c in COMMANDS:
        if not (c.where and (c.check is None or (callable(globals().get(c.check))
                                                 and c.stage is not None))):
            check(False, f"{c.text!r}: says where it runs, and its check exists and has a stage")


# ---------------------------------------------------------------- helpers

def sh(command, cwd, env=None, timeout=600):
    """Runs one command line through sh, as a person types it."""
    return subprocess.run(["sh", "-c", command], cwd=cwd,
                          env=env if env is not None else os.environ, capture_output=True,
                          text=True, timeout=timeout)


def player_env(**extra):
    """A player's environment: none of the test command's SDL drivers, the game's trace or
    the variables that move where things go."""
    env = dict(os.environ)
    for name in ("SDL_VIDEODRIVER", "SDL_AUDIODRIVER", "GUMBOLT_DEBUG", "GUMBOLT_QUIT_AFTER_FRAMES",
                 "DESTDIR", "XDG_DATA_HOME"):
        env.pop(name, None)
    env.update(extra)
    return env


def headless_env(**extra):
    return player_env(SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
                      GUMBOLT_QUIT_AFTER_FRAMES="3", **extra)


def tail(text, lines=15):
    return "\n".join(text.splitlines()[-lines:])


def snapshot(top, inside_build_only=None):
    """Every file under `top` (but .git) with its size and modification time. Under the
    build directory only the files whose names match `inside_build_only` count: a build may
    rewrite its own files, but must not leave score files there."""
    files = {}
    for directory, subdirs, names in os.walk(top):
        relative = os.path.relpath(directory, top)
        if relative == ".":
            subdirs[:] = [d for d in subdirs if d != ".git"]
        in_build = relative == "build" or relative.startswith("build" + os.sep)
        for name in names:
            if in_build and not (inside_build_only and re.match(inside_build_only, name)):
                continue
            path = os.path.join(directory, name)
            try:
                info = os.lstat(path)
            except FileNotFoundError:
                continue
            files[os.path.relpath(path, top)] = (info.st_size, info.st_mtime_ns)
    return files


def differences(before, after):
    changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
    return changed[:10]


def starts_the_game(result):
    """The game ran to its end: status 0 and its first track started."""
    return result.returncode == 0 and "Music playing media/sfx/extend.xm" in result.stdout


# ---------------------------------------------------------------- stage "build"

def check_build():
    print("cmake --preset release && cmake --build --preset release", flush=True)
    result = sh("cmake --preset release && cmake --build --preset release", ROOT, timeout=3600)
    check(result.returncode == 0, "configures and builds from the root" +
          ("" if result.returncode == 0 else ":\n" + tail(result.stdout + result.stderr)))


def play(screen, command, cwd):
    """Runs `command` in `cwd` on the screen and watches for the game's window. Returns what
    was seen: the exit status, the output, the window's id and properties, and the running
    game's executable and working directory."""
    seen = {"window": None}
    env = player_env(DISPLAY=screen.name, SDL_AUDIODRIVER="dummy",
                     GUMBOLT_QUIT_AFTER_FRAMES="300")
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        # Started without a shell of ours, so that the script is this process; it becomes
        # the game when it execs it.
        process = subprocess.Popen(shlex.split(command), cwd=cwd, env=env, stdout=out,
                                   stderr=err)
        deadline = time.time() + 900  # the first build of a fresh checkout takes minutes
        while process.poll() is None and time.time() < deadline and seen["window"] is None:
            ids = screen.xdotool("search", "--all", "--onlyvisible", "--pid", str(process.pid),
                                 "--name", TITLE).stdout.split()
            if ids:
                seen["window"] = ids[0]
                try:
                    seen["exe"] = os.readlink(f"/proc/{process.pid}/exe")
                    seen["cwd"] = os.readlink(f"/proc/{process.pid}/cwd")
                except OSError:
                    pass
                seen["info"] = subprocess.run(["xwininfo", "-id", ids[0]], env=screen.env(),
                                              capture_output=True, text=True, timeout=20).stdout
                seen["state"] = subprocess.run(["xprop", "-id", ids[0], "WM_STATE"],
                                               env=screen.env(), capture_output=True, text=True,
                                               timeout=20).stdout
            else:
                time.sleep(0.1)
        try:
            seen["status"] = process.wait(max(1, deadline - time.time()))
        except subprocess.TimeoutExpired:
            process.kill()
            seen["status"] = process.wait()
        out.seek(0)
        err.seek(0)
        seen["stdout"], seen["stderr"] = out.read(), err.read()
    return seen


def check_play():
    """The first command, as a newcomer runs it: from the checkout's root and from another
    directory, on an X server with a window manager, ended by GUMBOLT_QUIT_AFTER_FRAMES."""
    build_dir = os.path.join(ROOT, "build")
    screen = VirtualScreen(first=120, window_manager=True)
    try:
        with tempfile.TemporaryDirectory(prefix="gumbolt-elsewhere-") as scratch:
            elsewhere = os.path.join(scratch, "empty")
            os.mkdir(elsewhere)
            script = os.path.relpath(os.path.join(ROOT, "tools", "play.sh"), elsewhere)
            for label, command, cwd in [("from the root", "sh tools/play.sh", ROOT),
                                        ("from an empty directory", f"sh {script}", elsewhere)]:
                print(f"{command}   ({label})", flush=True)
                root_before = snapshot(ROOT, inside_build_only=r"gb\.dat")
                seen = play(screen, command, cwd)
                check(seen["status"] == 0, f"exits with status 0 (got {seen['status']})" +
                      ("" if seen["status"] == 0 else ":\n" + tail(seen["stderr"])))
                check(seen["window"] is not None, f"the game's window '{TITLE}' opens")
                if seen["window"] is not None:
                    check("Map State: IsViewable" in seen.get("info", ""),
                          "the window is on the screen")
                    check("window state: Normal" in seen.get("state", ""),
                          "the window manager manages it")
                    exe = seen.get("exe", "")
                    check(os.path.basename(exe) == "gumbolt" and
                          exe.startswith(build_dir + os.sep),
                          f"the window is the built game's, which the script became ({exe})")
                    check(seen.get("cwd") == os.path.realpath(cwd),
                          "the game runs in the directory the command was run from, where "
                          "it keeps gb.dat")
                check("Music playing media/sfx/extend.xm" in seen["stdout"],
                      "the game's own lines are on standard output")
                changed = differences(root_before, snapshot(ROOT, inside_build_only=r"gb\.dat"))
                check(not changed, f"nothing in the checkout changed but the build {changed}")
                stray = os.listdir(elsewhere)
                check(not stray, f"nothing was left in the directory it ran from {stray}")

            print(f"sh {script} --help   (from an empty directory)", flush=True)
            result = sh(f"sh {script} --help", elsewhere, player_env())
            check(result.returncode == 0 and result.stdout.startswith("Usage: gumbolt") and
                  "gb.dat" in result.stdout,
                  "passes its arguments on: the game's help is all of standard output")
    finally:
        screen.close()


def installed_files_run(prefix, label):
    """The game of an installed tree runs from an empty directory."""
    game = os.path.join(prefix, "bin", "gumbolt")
    check(os.access(game, os.X_OK), f"{label}: bin/gumbolt is installed")
    with tempfile.TemporaryDirectory(prefix="gumbolt-run-") as elsewhere:
        result = subprocess.run([game], cwd=elsewhere, env=headless_env(), capture_output=True,
                                text=True, timeout=120)
        check(starts_the_game(result), f"{label}: the installed game runs from another directory")
        check(os.listdir(elsewhere) == [], f"{label}: and writes nothing there")


def check_install():
    command = "cmake --install build/release --prefix ~/.local"
    print(command + "   (HOME in a temporary directory)", flush=True)
    with tempfile.TemporaryDirectory(prefix="gumbolt-home-") as home:
        result = sh(command, ROOT, player_env(HOME=home))
        check(result.returncode == 0, "installs" + ("" if result.returncode == 0 else
                                                    ":\n" + tail(result.stderr)))
        installed_files_run(os.path.join(home, ".local"), "~/.local")

    command = "cmake --install build/release"
    print(command + "   (DESTDIR in a temporary directory, for: sudo " + command + ")", flush=True)
    with tempfile.TemporaryDirectory(prefix="gumbolt-destdir-") as stage:
        result = sh(command, ROOT, player_env(DESTDIR=stage))
        check(result.returncode == 0, "installs" + ("" if result.returncode == 0 else
                                                    ":\n" + tail(result.stderr)))
        prefix = os.path.join(stage, "usr", "local")
        installed_files_run(prefix, "/usr/local")
        entry = os.path.join(prefix, "share", "applications", "org.gumbolt.Gumbolt.desktop")
        text = open(entry).read() if os.path.isfile(entry) else ""
        check("\nExec=/usr/local/libexec/gumbolt/launch-from-menu\n" in text,
              "the desktop entry names the launcher where it will be, not where it was staged")


def check_measure():
    env = player_env(MEASURE_RUNS="1", MEASURE_SECONDS="1")
    summary = "start-up to the first title frame"
    print("MEASURE_RUNS=1 MEASURE_SECONDS=1 sh tools/measure.sh", flush=True)
    result = sh("sh tools/measure.sh", ROOT, env)
    runs = re.findall(r"^run \d+: painted \d+ ms, title \d+ ms", result.stdout, re.M)
    check(result.returncode == 0 and len(runs) == 1 and summary in result.stdout,
          "measures the built game, one run as asked" +
          ("" if result.returncode == 0 else ":\n" + tail(result.stdout + result.stderr)))

    with tempfile.TemporaryDirectory(prefix="gumbolt-measured-") as prefix:
        installed = sh(f"cmake --install build/release --prefix {prefix}", ROOT, player_env())
        game = os.path.join(prefix, "bin", "gumbolt")
        print(f"MEASURE_RUNS=1 MEASURE_SECONDS=1 sh tools/measure.sh {game}", flush=True)
        result = sh(f"sh tools/measure.sh {game}", ROOT, env)
        check(installed.returncode == 0 and result.returncode == 0 and summary in result.stdout,
              "measures the game it is given" +
              ("" if result.returncode == 0 else ":\n" + tail(result.stdout + result.stderr)))


def check_benchmarks():
    command = ("build/release/benchmarks/game/game_benchmarks --benchmark_repetitions=5 "
               "--benchmark_min_time=0.01")
    print(command, flush=True)
    result = sh(command, ROOT, player_env(SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy"))
    medians = re.findall(r"^\S+_median\s", result.stdout, re.M)
    check(result.returncode == 0 and medians, f"runs and reports medians ({len(medians)})" +
          ("" if result.returncode == 0 else ":\n" + tail(result.stdout + result.stderr)))


# ---------------------------------------------------------------- stage "web"

def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def fetch(url):
    """The body of url (unpacked when it came compressed) and its content type."""
    request = urllib.request.Request(url, headers={"Accept-Encoding": "gzip"})
    with urllib.request.urlopen(request, timeout=30) as answer:
        body = answer.read()
        if answer.headers.get("Content-Encoding") == "gzip":
            body = gzip.decompress(body)
        return body, answer.headers.get("Content-Type", "")


def check_web():
    """The browser build's command: it builds (the web build is there already, so this is
    quick), prints the address and serves the site there until it is stopped."""
    port = free_port()
    address = f"http://127.0.0.1:{port}/"
    print(f"GUMBOLT_WEB_PORT={port} sh tools/web.sh", flush=True)
    env = dict(os.environ, GUMBOLT_WEB_PORT=str(port))
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        process = subprocess.Popen(["sh", "tools/web.sh"], cwd=ROOT, env=env, stdout=out,
                                   stderr=err)
        try:
            deadline = time.time() + 1800
            said = ""
            while process.poll() is None and time.time() < deadline and address not in said:
                time.sleep(0.5)
                out.seek(0)
                said = out.read()
            check(address in said, f"prints the address {address}" +
                  ("" if address in said else ":\n" + tail(said)))
            page = wasm = b""
            kind = ""
            for _ in range(40):
                try:
                    page, _ = fetch(address)
                    wasm, kind = fetch(address + "gumbolt.wasm")
                    break
                except OSError:
                    time.sleep(0.5)
            check(b"page.js" in page, "serves the page there")
            check(wasm[:4] == b"\0asm" and kind == "application/wasm",
                  f"serves the game's WebAssembly as application/wasm ({len(wasm)} bytes, {kind})")
        finally:
            process.terminate()
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        err.seek(0)
        errors = err.read()
        if failures:
            print(tail(errors))


# ---------------------------------------------------------------- stage "package"

def system_install_allowed():
    return os.geteuid() == 0 and os.environ.get("GUMBOLT_TEST_SYSTEM_INSTALL") == "1"


def installed_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status} ${Version}", package],
                            capture_output=True, text=True, timeout=60)
    return result.stdout if "install ok installed" in result.stdout else None


def check_package_install():
    """Simulates the README's apt install (the package's dependencies resolve from the
    machine's package lists); installs, starts, reads the manual page and removes it for real
    only as root with GUMBOLT_TEST_SYSTEM_INSTALL=1, and never over an installed gumbolt."""
    print("apt install --simulate ./build/deb/gumbolt_*.deb", flush=True)
    result = sh("apt install --simulate ./build/deb/gumbolt_*.deb", ROOT, player_env())
    check(result.returncode == 0 and re.search(r"^Inst gumbolt ", result.stdout, re.M),
          "apt accepts the package and can install what it depends on" +
          ("" if result.returncode == 0 else ":\n" + tail(result.stdout + result.stderr)))
    if not system_install_allowed():
        print("  (the real install runs only as root with GUMBOLT_TEST_SYSTEM_INSTALL=1)")
        return
    if installed_version("gumbolt"):
        print("  (gumbolt is installed on this machine already: left alone, no real install)")
        return

    with tempfile.TemporaryDirectory(prefix="gumbolt-apt-") as scratch:
        # apt's own settings, by the environment: answer yes, wait for another apt's lock.
        config = os.path.join(scratch, "apt.conf")
        with open(config, "w") as out:
            out.write('APT::Get::Assume-Yes "true";\nDPkg::Lock::Timeout "300";\n')
        env = player_env(APT_CONFIG=config, DEBIAN_FRONTEND="noninteractive")
        try:
            print("apt install ./build/deb/gumbolt_*.deb", flush=True)
            result = sh("apt install ./build/deb/gumbolt_*.deb", ROOT, env)
            check(result.returncode == 0 and installed_version("gumbolt"),
                  "installs the package" + ("" if result.returncode == 0 else
                                            ":\n" + tail(result.stdout + result.stderr)))
            # /usr/games is on a player's PATH (not on root's).
            path = os.environ.get("PATH", "") + ":/usr/games"
            home = os.path.join(scratch, "home")
            os.mkdir(home)
            print("gumbolt", flush=True)
            found = sh("command -v gumbolt", home, player_env(PATH=path)).stdout.strip()
            result = sh("gumbolt", home, headless_env(PATH=path))
            check(found == "/usr/games/gumbolt" and starts_the_game(result),
                  f"the installed game starts from the PATH ({found})")
            print("man 6 gumbolt", flush=True)
            result = sh("man 6 gumbolt", home, player_env(MANPAGER="cat", PAGER="cat",
                                                            MANWIDTH="80"))
            check(result.returncode == 0 and "GUMBOLT(6)" in result.stdout,
                  "its manual page is found in section 6")
        finally:
            print("apt remove gumbolt", flush=True)
            result = sh("apt remove gumbolt", ROOT, env)
            check(result.returncode == 0 and not installed_version("gumbolt") and
                  not os.path.exists("/usr/games/gumbolt"), "removes it again")


# ---------------------------------------------------------------- main

def main(argv):
    if argv[:1] == ["known"] and len(argv) == 1:
        known()
    elif argv[:1] == ["run"] and len(argv) > 1:
        stages = argv[1:]
        unknown = set(stages) - {c.stage for c in COMMANDS if c.stage}
        if unknown:
            sys.exit(f"unknown stage {sorted(unknown)}")
        done = []
        started = time.monotonic()
        for c in COMMANDS:
            if c.stage in stages and c.check not in done:
                done.append(c.check)
                globals()[c.check]()
        print(f"{' and '.join(stages)}: {len(done)} check(s) in "
              f"{time.monotonic() - started:.0f} s")
    else:
        sys.exit(__doc__)
    return summary()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
