#!/usr/bin/env python3
"""The options and the kept settings, end to end, with the real gumbolt executable under a
virtual X server (Xvfb with openbox), keys pressed through the X server with xdotool.

1. A key is bound on the options screen (F2, the arrows, Enter, the new key, Esc); the game
   writes the settings file; a new start plays with the new key and not the old one.
2. A settings file with every kind of wrong line: one report each on standard error, naming
   the file and the line, and the good lines kept (read back from the file the game writes
   when a volume key changes the settings).

Usage: options_and_settings.py GUMBOLT_EXECUTABLE
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from checks import check, failures, summary
from xserver import VirtualScreen

GAME = os.path.abspath(sys.argv[1])


class Game:
    """The game running on the screen, its standard error in a file."""

    def __init__(self, screen, workdir):
        self.screen = screen
        self.err_path = os.path.join(workdir, "stderr.log")
        self.process = subprocess.Popen([GAME, "--windowed"], cwd=workdir,
                                        env=screen.env(GUMBOLT_DEBUG="1"),
                                        stdout=subprocess.DEVNULL, stderr=open(self.err_path, "w"))
        window = screen.window_of()
        if window is not None:
            screen.xdotool("windowfocus", "--sync", window)
        # Keys count once the main loop runs: its trace shows the first gravity tick.
        deadline = time.time() + 30
        while time.time() < deadline and not any(
                line.startswith("Update Status") for line in self.errors()):
            time.sleep(0.1)
        time.sleep(0.3)
        self.window = window

    def first_key(self, name, trace):
        """Presses the key until the game's trace shows a new line it leads to: the window
        manager may hand the new window the focus a little after it appears."""
        def seen():
            return sum(1 for line in self.errors() if line.startswith(trace))
        before = seen()
        for _ in range(5):
            if self.window is not None:
                self.screen.xdotool("windowactivate", "--sync", self.window)
            self.keys(name)
            deadline = time.time() + 3
            while time.time() < deadline:
                if seen() > before:
                    return True
                time.sleep(0.1)
        return False

    def keys(self, *names, delay=120):
        self.screen.xdotool("key", "--delay", str(delay), *names)
        time.sleep(0.3)

    def errors(self):
        with open(self.err_path) as err:
            return err.read().splitlines()

    def pieces(self):
        return sum(1 for line in self.errors() if line.startswith("Next Piece Index = "))

    def quit(self):
        self.keys("Escape")
        self.keys("y")
        try:
            return self.process.wait(20)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def settings_path(screen):
    return os.path.join(screen.config, "gumbolt", "settings")


def read_settings(screen):
    values = {}
    with open(settings_path(screen)) as kept:
        for line in kept:
            if "=" in line and not line.startswith("#"):
                name, value = line.split("=", 1)
                values[name.strip()] = value.strip()
    return values


def rebind_and_play(screen, workdir):
    print("a key bound on the options screen plays in the next game")
    game = Game(screen, workdir)
    try:
        check(game.window is not None, "the window appears")
        # Volume, music, track, level, shadow, screen, left, right, down: the drop's line is
        # the tenth.
        check(game.first_key("F2", "Options opened"), "F2 opens the options")
        game.keys(*["Down"] * 9)
        game.keys("Return")
        game.keys("d")
        check(not os.path.exists(settings_path(screen)), "nothing is written while it is open")
        game.keys("Escape")
        check(os.path.exists(settings_path(screen)), "closing the options writes the settings")
        check(read_settings(screen).get("drop") == "D", "the drop's key is D in the file")
        check(game.quit() == 0, "Esc and Y end the game")
    finally:
        game.kill()

    game = Game(screen, workdir)
    try:
        check(game.first_key("x", "Letter entered ["), "a letter starts the name entry")
        game.keys("Return")
        time.sleep(1.0)
        before = game.pieces()
        # The old drop key: at level 1 the piece takes many seconds to come down by itself.
        for _ in range(6):
            game.keys("Up")
        check(game.pieces() == before, "Up no longer drops the piece")
        for _ in range(3):
            game.keys("d")
            time.sleep(0.3)
        check(game.pieces() >= before + 2, "D drops the piece, and the next one")
        check(game.quit() == 0, "Esc and Y end the game")
    finally:
        game.kill()


BAD_FILE = """# a player's own file
volume = 200
music = loud
track = 4
level = 12
shadow = on
screen = round
speed = 3
left = A
right = A
down = NoSuchKey
pause = M
track = 2
nothing to see
drop = Space
"""
BAD_LINES = {3: "music", 5: "level", 7: "screen", 8: "speed", 10: "right", 11: "down",
             12: "pause", 13: "track", 14: "nothing"}


def bad_lines_are_reported(screen, workdir):
    print("a settings file with every kind of wrong line")
    os.makedirs(os.path.dirname(settings_path(screen)), exist_ok=True)
    with open(settings_path(screen), "w") as out:
        out.write(BAD_FILE)
    game = Game(screen, workdir)
    try:
        check(game.window is not None, "the game starts")
        # The game sets the file's 200 as it starts; the first press may be repeated when the
        # focus came late, so the volume kept is the last one the game reports.
        check(game.first_key("equal", "Volume changed to 208"), "the volume goes up")
        check(game.quit() == 0, "Esc and Y end the game")
        volumes = [int(line.rsplit(" ", 1)[1]) for line in game.errors()
                   if re.fullmatch(r"Volume changed to \d+", line)]
        raised = [volume for volume in volumes if volume > 200]
        check(bool(raised) and raised[0] == 208, f"from 200 the key goes to 208: {volumes}")
        path = settings_path(screen)
        reports = [line for line in game.errors() if line.startswith("gumbolt: " + path + ":")]
        numbers = sorted(int(re.match(r"gumbolt: .*?:(\d+): ", line).group(1)) for line in reports)
        check(numbers == sorted(BAD_LINES), f"one report for each wrong line: {numbers}")
        kept = read_settings(screen)
        expected = {"volume": str(volumes[-1]) if volumes else "208", "music": "on", "track": "4", "level": "1", "shadow": "on",
                    "screen": "full", "left": "A", "right": "Right", "down": "Down",
                    "drop": "Space", "pause": "P", "turn-left": "Z", "turn-right": "X"}
        check(kept == expected, f"the good lines are kept, the wrong ones are defaults: {kept}")
    finally:
        game.kill()


def main():
    for tool in ("Xvfb", "xdotool", "openbox"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run tools/install-deps.sh")
            return 1
    only = os.environ.get("OPTIONS_SCENARIO")
    for scenario in (rebind_and_play, bad_lines_are_reported):
        if only and scenario.__name__ != only:
            continue
        screen = VirtualScreen(window_manager=True)
        try:
            with tempfile.TemporaryDirectory(prefix="gumbolt-options-") as workdir:
                try:
                    scenario(screen, workdir)
                except Exception as error:  # a broken scenario is a failure, not a crash
                    check(False, f"{scenario.__name__} raised {error!r}")
                path = os.path.join(workdir, "stderr.log")
                if failures and os.path.exists(path):
                    print("--- stderr\n" + open(path).read()[-3000:])
        finally:
            screen.close()
    return summary()


if __name__ == "__main__":
    sys.exit(main())
