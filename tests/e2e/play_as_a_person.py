#!/usr/bin/env python3
"""Plays the real gumbolt executable the way a person would.

The game runs under a virtual X server (Xvfb) with SDL's dummy audio driver. Keys are
pressed through the X server (xdotool, which uses the XTEST extension), another window
(xmessage) takes the focus away from the game, the console output
is read, screenshots are taken with xwd and checked pixel by pixel, and the gb.dat the game
leaves behind is read back. Every process started here is ended before the script returns.

Usage: play_as_a_person.py GUMBOLT_EXECUTABLE [SCREENSHOT_DIR]
"""

import ctypes
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

from checks import check, summary
from xserver import TITLE, VirtualScreen

GAME = os.path.abspath(sys.argv[1])
SHOTS = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
DEFAULT_TABLE = [("Quillon", 500), ("Vantrel", 400), ("Tessary", 300), ("FMOD", 200), ("Norvane", 100)]



# ---------------------------------------------------------------- the game process

class Game:
    def __init__(self, screen, workdir, extra_env=None):
        self.screen = screen
        self.workdir = workdir
        self.log_path = os.path.join(workdir, "console.log")
        self.err_path = os.path.join(workdir, "stderr.log")
        env = screen.env()
        env.update(extra_env or {})
        self.process = subprocess.Popen([GAME], cwd=workdir, env=env,
                                        stdout=open(self.log_path, "w"), stderr=open(self.err_path, "w"))
        self.window = None

    def lines(self):
        with open(self.log_path) as log:
            return log.read().splitlines()

    def wait_for_line(self, pattern, timeout=30, after=0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            lines = self.lines()
            for index in range(after, len(lines)):
                if re.fullmatch(pattern, lines[index]):
                    return index
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        return None

    def find_window(self):
        result = self.screen.xdotool("search", "--sync", "--onlyvisible", "--name", TITLE, timeout=30)
        ids = result.stdout.split()
        if ids:
            self.window = ids[0]
            self.screen.xdotool("windowfocus", "--sync", self.window)
        return self.window

    def keys(self, *names, delay=90):
        self.screen.xdotool("key", "--delay", str(delay), *names)
        time.sleep(0.15)

    def type(self, text):
        self.screen.xdotool("type", "--delay", "120", text)
        time.sleep(0.2)

    def wait(self, timeout=15):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def send_close_request(display, window):
    """Asks the window to close the way a window manager's close button does."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    dpy = x11.XOpenDisplay(display.encode())
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = int(window)
    event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(dpy, int(window), 0, 0, ctypes.byref(event))
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


# ---------------------------------------------------------------- gb.dat and pixels

def write_table(path, entries):
    with open(path, "wb") as out:
        for name, score in entries:
            out.write(name.encode("latin-1").ljust(8, b" ")[:8] + struct.pack("<i", score))


def read_table(path):
    data = open(path, "rb").read()
    return [(data[i:i + 8].decode("latin-1").rstrip(" "), struct.unpack("<i", data[i + 8:i + 12])[0])
            for i in range(0, len(data) - len(data) % 12, 12)], len(data)


def near(actual, expected, tolerance=24):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


def panel_colour(x, y, left):
    """The gradient panel (256 x 256: red 255 - v, green u, blue max(0, v - u)) stretched to
    216 x 560 at (20, 20) or (565, 20)."""
    u = (x - (20 if left else 565)) * 256 / 216
    v = (y - 20) * 256 / 560
    return (255 - v, u, max(0, v - u))


def check_play_screen(image, what):
    _, _, px = image
    for x, y, left in [(100, 375, True), (130, 378, True), (575, 300, False), (750, 540, False),
                       (740, 500, False)]:
        check(near(px[y][x], panel_colour(x, y, left)),
              f"{what}: side panel gradient at ({x}, {y}) is {px[y][x]}")
    # The grid background: dark and purple, never bright (sampled away from the overlays).
    samples = [px[y][x] for y in range(524, 576, 4) for x in range(262, 540, 9)]
    dark = sum(1 for r, g, b in samples if r + g + b < 330)
    purple = sum(1 for r, g, b in samples if r >= g and b >= g)
    check(dark > 0.6 * len(samples) and purple > 0.6 * len(samples),
          f"{what}: grid background is dark purple ({dark}/{purple} of {len(samples)})")


def check_box(image, what, rows):
    """A drawBox(10, rows) overlay: a ring of bright blocks around a gradient panel."""
    _, _, px = image
    y0 = 300 - (rows * 29) // 2 - 29
    ring = [px[y0 + 14][270 + 14 + 29 * i] for i in range(10)]
    bright = sum(1 for r, g, b in ring if max(r, g, b) > 120)
    check(bright >= 8, f"{what}: the overlay ring of blocks is drawn ({bright}/10 bright)")
    # Inside the ring, left of the logo: the panel drawn at (255, y0 + 15), stretched.
    x, y = 280, y0 + 15 + 21
    u, v = (x - 255) * 256 / 290, 21 * 256 / (rows * 29)
    expected = (255 - v, u, max(0, v - u))
    check(near(px[y][x], expected, 40), f"{what}: the overlay panel gradient at ({x}, {y}) is {px[y][x]}")


# ---------------------------------------------------------------- scenarios

def start_up_and_quit(screen, workdir):
    print("start-up console lines, then Escape and Y")
    game = Game(screen, workdir)
    try:
        check(game.wait_for_line(r"Level: 1, Speed: 1000\.00000, Score: 0, Lines: 0") is not None,
              "the first status line is printed")
        lines = game.lines()
        check(lines[:5] == [n for n, _ in DEFAULT_TABLE], "the default table's names come first")
        check(lines[5] in ("Sound initialized.", "Sound failed to initialize."), "the sound start is reported")
        tracks = [l for l in lines if l.startswith("Track Loaded ")]
        sounds = [l for l in lines if l.startswith("Sound Loaded ")]
        check(len(tracks) == 6 and len(sounds) == 6, "six tracks and six sounds are loaded")
        order = [l for l in lines if l.startswith(("Track Loaded", "Sound Loaded", "Music playing", "Player"))]
        check(order[-2:] == ["Music playing media/sfx/extend.xm", "Player"],
              "the first track plays before the player's entry is made")
        check(lines.index("Player") + 1 < len(lines) and lines[lines.index("Player") + 1].startswith("Level: 1"),
              "the status line follows the player's name")
        check(game.find_window() is not None, "the window appears")
        time.sleep(0.8)
        image = screen.screenshot("title")
        check_play_screen(image, "title")
        check_box(image, "title", 16)
        game.keys("Escape")
        time.sleep(0.4)
        check_box(screen.screenshot("exit-prompt"), "exit prompt", 10)
        game.keys("y")
        check(game.wait() == 0, "Y ends the program with exit status 0")
        check(not os.path.exists(os.path.join(workdir, "gb.dat")), "without a new score no gb.dat is written")
    finally:
        game.kill()


def play_a_whole_game(screen, workdir):
    print("name entry, a whole game, the table on the title screen")
    write_table(os.path.join(workdir, "gb.dat"), [("Alice", 300), ("Bob", 50)])
    game = Game(screen, workdir)
    try:
        start = game.wait_for_line(r"Level: 1, .*")
        check(start is not None and game.find_window() is not None, "the game starts with a prepared gb.dat")
        time.sleep(0.5)
        game.type("x")
        time.sleep(0.3)
        image = screen.screenshot("name-entry")
        check_box(image, "name entry", 10)
        game.keys(*["BackSpace"] * 6)
        game.type("Zed")
        game.keys("Return")
        time.sleep(1.5)
        check_play_screen(screen.screenshot("playing"), "playing")
        over = None
        deadline = time.time() + 120
        while over is None and time.time() < deadline:
            game.keys("Up", delay=10)
            time.sleep(0.25)
            over = game.wait_for_line(r"Zed", timeout=0.01, after=start)
        check(over is not None, "dropping pieces ends the game and records the entry")
        time.sleep(0.5)
        image = screen.screenshot("game-over")
        check_box(image, "game over", 10)
        table, size = read_table(os.path.join(workdir, "gb.dat"))
        check(size == 36 and [n for n, _ in table] == ["Alice", "Bob", "Zed"] or
              size == 36 and table[0][0] == "Alice" and "Zed" in [n for n, _ in table],
              f"gb.dat is saved as soon as the game ends: {table}")
        game.keys("space")
        time.sleep(0.6)
        screen.screenshot("title-after-game")
        game.keys("Escape")
        game.keys("y")
        check(game.wait() == 0, "Escape and Y end the program with exit status 0")
        table, size = read_table(os.path.join(workdir, "gb.dat"))
        check(size == 36 and "Zed" in [n for n, _ in table], f"the new entry is kept: {table}")
        check([s for _, s in table] == sorted([s for _, s in table], reverse=True), "the table is sorted")
    finally:
        game.kill()


def unsorted_table_is_sorted_and_trimmed(screen, workdir):
    print("a prepared gb.dat of unsorted records")
    records = [("Ann", 70), ("Bea", 900), ("Cid", -5), ("Dot", 300), ("Eve", 300), ("Fay", 10), ("Gus", 950)]
    write_table(os.path.join(workdir, "gb.dat"), records)
    game = Game(screen, workdir)
    try:
        check(game.wait_for_line(r"Level: 1, .*") is not None and game.find_window() is not None,
              "the game starts")
        time.sleep(0.6)
        screen.screenshot("title-sorted")
        game.keys("Escape")
        game.keys("y")
        check(game.wait() == 0, "the program ends with exit status 0")
        table, size = read_table(os.path.join(workdir, "gb.dat"))
        check(table == records and size == 12 * len(records),
              f"without a new score the file is left as it was: {table}")
    finally:
        game.kill()


def has_box(image, rows):
    """Whether a drawBox(10, rows) overlay's ring of bright blocks is on the screen."""
    _, _, px = image
    y0 = 300 - (rows * 29) // 2 - 29
    ring = [px[y0 + 14][270 + 14 + 29 * i] for i in range(10)]
    return sum(1 for r, g, b in ring if max(r, g, b) > 120) >= 8


def message_difference(first, second):
    """Mean difference per channel between two screenshots where overlays show their message."""
    a, b = first[2], second[2]
    total = count = 0
    for y in range(360, 400):
        for x in range(274, 526):
            total += sum(abs(p - q) for p, q in zip(a[y][x], b[y][x]))
            count += 3
    return round(total / count, 1)


def leaving_the_window_pauses(screen, workdir):
    print("another window takes the focus while playing, then the game gets it back")
    game = Game(screen, workdir)
    other = None
    try:
        check(game.wait_for_line(r"Level: 1, .*") is not None and game.find_window() is not None,
              "the game starts")
        time.sleep(0.5)
        game.type("x")
        # The keypad's Enter starts the game as Enter does.
        game.keys("KP_Enter")
        time.sleep(1.0)
        image = screen.screenshot("playing-before-leaving")
        check(not has_box(image, 10), "playing: no overlay")
        other = subprocess.Popen(["xmessage", "-geometry", "90x30+0+0", "elsewhere"], env=screen.env(),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = screen.xdotool("search", "--sync", "--onlyvisible", "--name", "xmessage", timeout=30)
        ids = found.stdout.split()
        check(bool(ids), "the other window appears")
        if ids:
            screen.xdotool("windowfocus", "--sync", ids[0])
        time.sleep(0.8)
        focus_lost = screen.screenshot("focus-lost")
        check_box(focus_lost, "paused after the focus went to another window", 10)
        # Back in the game window: still paused until a key is pressed.
        screen.xdotool("windowfocus", "--sync", game.window)
        time.sleep(0.8)
        check(has_box(screen.screenshot("focus-back"), 10), "coming back does not resume by itself")
        game.type("a")
        time.sleep(0.5)
        image = screen.screenshot("resumed")
        check(not has_box(image, 10), "a key resumes the game")
        check_play_screen(image, "resumed")
        # The overlay shown on leaving is the one P shows: its message (in one of its two
        # blinking frames) is the same.
        game.keys("p")
        shown = []
        for _ in range(4):
            time.sleep(0.3)
            shown.append(screen.screenshot("paused-by-p"))
        differences = [message_difference(focus_lost, paused) for paused in shown]
        check(min(differences) < 4, f"the paused overlay is shown (differences {differences})")
        game.keys("Escape")
        game.keys("y")
        check(game.wait() == 0, "Escape and Y end the program with exit status 0")
    finally:
        if other is not None:
            other.kill()
            other.wait()
        game.kill()


def close_request_and_sigterm(screen, workdir):
    print("a window close request and SIGTERM")
    game = Game(screen, workdir)
    try:
        check(game.wait_for_line(r"Level: 1, .*") is not None and game.find_window() is not None,
              "the game starts")
        time.sleep(0.3)
        send_close_request(screen.name, game.window)
        check(game.wait() == 0, "closing the window ends the program with exit status 0")
        check(not os.path.exists(os.path.join(workdir, "gb.dat")), "with no new score nothing is saved on close")
    finally:
        game.kill()
    game = Game(screen, workdir)
    try:
        check(game.wait_for_line(r"Level: 1, .*") is not None, "the game starts again")
        time.sleep(0.5)
        game.process.send_signal(signal.SIGTERM)
        check(game.wait() == 0, "SIGTERM ends the program with exit status 0")
        check(not os.path.exists(os.path.join(workdir, "gb.dat")), "with no new score nothing is saved on SIGTERM")
    finally:
        game.kill()


def main():
    for tool in ("Xvfb", "xdotool", "xwd", "xmessage"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run tools/install-deps.sh")
            return 1
    screen = VirtualScreen(shots=SHOTS)
    try:
        for scenario in (start_up_and_quit, play_a_whole_game, unsorted_table_is_sorted_and_trimmed,
                         leaving_the_window_pauses, close_request_and_sigterm):
            with tempfile.TemporaryDirectory(prefix="gumbolt-e2e-") as workdir:
                try:
                    scenario(screen, workdir)
                except Exception as error:  # a broken scenario is a failure, not a crash of the run
                    check(False, f"{scenario.__name__} raised {error!r}")
                    for name in ("console.log", "stderr.log"):
                        path = os.path.join(workdir, name)
                        if os.path.exists(path):
                            print(f"--- {name}\n" + open(path).read()[-3000:])
    finally:
        screen.close()
    return summary()


if __name__ == "__main__":
    sys.exit(main())
