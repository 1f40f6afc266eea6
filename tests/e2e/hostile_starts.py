#!/usr/bin/env python3
"""Starts the real gumbolt executable in unfriendly surroundings and checks it still plays.

Each run uses SDL's dummy video driver, presses nothing and ends itself after a number of
frames (GUMBOLT_QUIT_AFTER_FRAMES), the way closing the window does: exit status 0, and any
problem reported in one line on standard error.

Usage: hostile_starts.py GUMBOLT_EXECUTABLE
"""

import os
import subprocess
import sys
import tempfile

GAME = os.path.abspath(sys.argv[1])
failures = []


def check(condition, message):
    print(("  ok: " if condition else "  FAILED: ") + message)
    if not condition:
        failures.append(message)


def run(workdir, audio="dummy", frames=40):
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER=audio,
               GUMBOLT_QUIT_AFTER_FRAMES=str(frames))
    env.pop("GUMBOLT_DEBUG", None)
    result = subprocess.run([GAME], cwd=workdir, env=env, capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout.splitlines(), result.stderr.splitlines()


def scenario(name, prepare, expect_stderr_lines, audio="dummy", after=None):
    print(name)
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        prepare(os.path.join(workdir, "gb.dat"))
        code, out, err = run(workdir, audio)
        check(code == 0, f"exit status 0 (got {code})")
        check(any(line.startswith("Level: 1, ") for line in out), "the game reached its title screen")
        problems = [line for line in err if line.strip()]
        check(len(problems) <= expect_stderr_lines,
              f"at most {expect_stderr_lines} line(s) on standard error: {problems}")
        if after:
            after(os.path.join(workdir, "gb.dat"), out, err)


def nothing(path):
    pass


def directory(path):
    os.mkdir(path)


def garbage(path):
    with open(path, "wb") as out:
        block = bytes((i * 131 + 7) % 256 for i in range(1 << 20))
        for _ in range(100):
            out.write(block)


def read_only(path):
    with open(path, "wb") as out:
        out.write(b"Ann     " + (250).to_bytes(4, "little"))
    os.chmod(path, 0o444)


def no_display():
    print("no display can be opened")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        env = dict(os.environ, SDL_VIDEODRIVER="no-such-driver", SDL_AUDIODRIVER="dummy")
        env.pop("DISPLAY", None)
        result = subprocess.run([GAME], cwd=workdir, env=env, capture_output=True, text=True, timeout=60)
        lines = [line for line in result.stderr.splitlines() if line.strip()]
        check(result.returncode == 1, f"exit status 1 (got {result.returncode})")
        check(len(lines) == 1 and lines[0].startswith("Gumbolt: cannot open the display: "),
              f"one clear line on standard error with the reason: {lines}")


def main():
    no_display()
    scenario("no audio device", nothing, 0, audio="no-such-driver",
             after=lambda p, out, err: check("Sound failed to initialize." in out,
                                             "the sound start failure is reported and play goes on"))
    scenario("gb.dat is a directory", directory, 1,
             after=lambda p, out, err: check(os.path.isdir(p) and any("gb.dat" in l for l in err),
                                             "the report names gb.dat and the directory is untouched"))
    scenario("gb.dat is 100 MB of garbage", garbage, 0,
             after=lambda p, out, err: check(os.path.getsize(p) == 100 << 20, "without a new score the file is left alone"))
    scenario("gb.dat is read-only", read_only, 1,
             after=lambda p, out, err: check(os.path.exists(p), "gb.dat is still there"))
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
