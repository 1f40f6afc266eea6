#!/usr/bin/env python3
"""Starts the real gumbolt executable in unfriendly surroundings and checks it still plays.

Most runs use SDL's dummy video driver, press nothing and end themselves after a number of
frames (GUMBOLT_QUIT_AFTER_FRAMES), the way closing the window does: exit status 0, and any
problem reported in one line on standard error. A few run under a virtual X server (Xvfb)
with no window manager, where a hang or a pile-up shows. A run that does not end in time
is killed and counts as a failure.

Usage: hostile_starts.py GUMBOLT_EXECUTABLE
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from xserver import VirtualScreen

GAME = os.path.abspath(sys.argv[1])
OTHER_USER = 65534  # "nobody": the ordinary user the game runs as when this script is root
failures = []


def check(condition, message):
    print(("  ok: " if condition else "  FAILED: ") + message)
    if not condition:
        failures.append(message)


def game_env(**overrides):
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
    env.pop("GUMBOLT_DEBUG", None)
    env.update(overrides)
    return env


def run(workdir, audio="dummy", frames=40, user=None, extra_env=None, **popen):
    env = game_env(SDL_AUDIODRIVER=audio, GUMBOLT_QUIT_AFTER_FRAMES=str(frames), **(extra_env or {}))
    popen.setdefault("capture_output", True)
    try:
        result = subprocess.run([GAME], cwd=workdir, env=env, text=True, timeout=120, user=user,
                                **popen)
    except subprocess.TimeoutExpired:
        return None, [], ["(killed after 120 s)"]
    return result.returncode, (result.stdout or "").splitlines(), (result.stderr or "").splitlines()


def scenario(name, prepare, expect_stderr_lines, audio="dummy", after=None, user=None):
    print(name)
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        if user is not None:
            os.chown(workdir, user, user)
        prepare(os.path.join(workdir, "gb.dat"))
        code, out, err = run(workdir, audio, user=user)
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


OLD_TABLE = b"Old     " + (42).to_bytes(4, "little")


def unreadable(path):
    with open(path, "wb") as out:
        out.write(OLD_TABLE)
    os.chmod(path, 0o200)
    if os.geteuid() == 0:
        os.chown(path, OTHER_USER, OTHER_USER)


def fifo(path):
    os.mkfifo(path)


def link_to_fifo(path):
    os.mkfifo(path + ".fifo")
    os.symlink("gb.dat.fifo", path)


SPARSE_SIZE = 20 << 30


def huge_sparse(path):
    with open(path, "wb") as out:
        out.write(OLD_TABLE)
        try:
            out.truncate(SPARSE_SIZE)
        except OSError as error:
            print(f"  note: this file system takes no 20 GB file ({error}); a small one is used")


def dead_pid():
    child = subprocess.Popen(["true"])
    child.wait()
    return child.pid


def stale_temporaries(path):
    with open(path, "wb") as out:
        out.write(OLD_TABLE)
    for name in (f"{path}.{dead_pid()}.tmp", f"{path}.{dead_pid()}-2.tmp"):
        with open(name, "wb") as out:
            out.write(b"half a save")


def only_gb_dat_left(path, out, err):
    check(os.listdir(os.path.dirname(path)) == ["gb.dat"], "the stale temporary files are gone")


def left_alone(kind):
    def after(path, out, err):
        check(len(err) == 1 and err[0].startswith("Could not read the high scores in gb.dat: ")
              and err[0].endswith("; gb.dat will not be overwritten."),
              f"one line says why gb.dat is left alone: {err}")
        check(kind(path), "gb.dat is still what it was")
    return after


def holds_old_table(path):
    with open(path, "rb") as data:
        return data.read() == OLD_TABLE


# ---------------------------------------------------------------- starts without a display

def no_display():
    print("no display can be opened")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        env = game_env(SDL_VIDEODRIVER="no-such-driver")
        env.pop("DISPLAY", None)
        result = subprocess.run([GAME], cwd=workdir, env=env, capture_output=True, text=True, timeout=60)
        lines = [line for line in result.stderr.splitlines() if line.strip()]
        check(result.returncode == 1, f"exit status 1 (got {result.returncode})")
        check(len(lines) == 1 and lines[0].startswith("Gumbolt: cannot open the display: "),
              f"one clear line on standard error with the reason: {lines}")


def no_display_and_no_driver_chosen():
    print("no display and no video driver chosen")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        env = game_env(XDG_RUNTIME_DIR=workdir, GUMBOLT_QUIT_AFTER_FRAMES="40")
        for name in ("SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        try:
            result = subprocess.run([GAME], cwd=workdir, env=env, capture_output=True, text=True,
                                    timeout=60)
        except subprocess.TimeoutExpired:
            check(False, "the start ends by itself")
            return
        lines = [line for line in result.stderr.splitlines() if line.strip()]
        check(result.returncode == 1, f"exit status 1, not an unseen game (got {result.returncode})")
        check(len(lines) == 1 and lines[0].startswith("Gumbolt: cannot open the display: no display was found"),
              f"one clear line on standard error: {lines}")


# ---------------------------------------------------------------- closed outputs

def closed_output_pipe():
    print("standard output is a pipe nobody reads (gumbolt | head -n 0)")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        reader, writer = os.pipe()
        os.close(reader)
        try:
            code, _, err = run(workdir, stdout=writer, stderr=subprocess.PIPE, capture_output=False)
        finally:
            os.close(writer)
        check(code == 0, f"the game plays on to its end with exit status 0 (got {code})")
        check(err == [], f"nothing on standard error: {err}")


def answers_that_cannot_be_written():
    for option in ("--help", "--version"):
        for where, opener in (("closed", None), ("/dev/full", "full"), ("a pipe nobody reads", "pipe")):
            print(f"gumbolt {option} with standard output {where}")
            reader = writer = None
            popen = {}
            if opener is None:
                popen["preexec_fn"] = lambda: os.close(1)
            elif opener == "full":
                writer = os.open("/dev/full", os.O_WRONLY)
            else:
                reader, writer = os.pipe()
                os.close(reader)
            try:
                result = subprocess.run([GAME, option], stdout=writer, stderr=subprocess.PIPE, text=True,
                                        timeout=60, **popen)
            finally:
                if writer is not None:
                    os.close(writer)
            lines = [line for line in result.stderr.splitlines() if line.strip()]
            check(result.returncode == 1, f"exit status 1 (got {result.returncode})")
            check(len(lines) == 1 and lines[0].startswith("gumbolt: cannot write to standard output: "),
                  f"one line on standard error says so: {lines}")


def frame_limits_that_are_not_counts():
    print("GUMBOLT_QUIT_AFTER_FRAMES that is not a count from 1 to 2147483647")
    values = ["abc", "-1", "0x10", "2147483648", "10abc", "1e3"]
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        games = [subprocess.Popen([GAME], cwd=workdir, env=game_env(GUMBOLT_QUIT_AFTER_FRAMES=value),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
                 for value in values]
        # Each would end on its own within a second or two if its value were taken for a number.
        time.sleep(4)
        for value, game in zip(values, games):
            check(game.poll() is None, f"{value!r} is ignored: the game plays on")
            game.send_signal(signal.SIGTERM)
        for value, game in zip(values, games):
            code = ends_within(game, 60)
            err = [line for line in game.stderr.read().splitlines() if line.strip()] if code is not None else []
            check(code == 0, f"{value!r}: SIGTERM ends the game with exit status 0 (got {code})")
            check(len(err) == 1 and err[0].startswith(f"gumbolt: ignoring GUMBOLT_QUIT_AFTER_FRAMES={value}: "),
                  f"{value!r}: one line on standard error says it is ignored: {err}")


def mapping_lines(path, count):
    with open(path, "w") as out:
        for i in range(count):
            out.write(f"03000000{i:024x},Pad {i},a:b0,b:b1,x:b2,y:b3,back:b4,start:b5,platform:Linux,\n")


def mapping_files_sdl_should_not_read():
    with tempfile.TemporaryDirectory(prefix="gumbolt-mappings-") as place:
        huge = os.path.join(place, "huge.txt")
        with open(huge, "wb") as out:
            out.truncate(4 << 30)
        fifo = os.path.join(place, "fifo")
        os.mkfifo(fifo)
        many = os.path.join(place, "many.txt")
        mapping_lines(many, 40000)
        for what, path in (("a 4 GB sparse file", huge), ("a FIFO", fifo), ("a directory", place),
                           ("40,000 mapping lines", many)):
            print(f"SDL_GAMECONTROLLERCONFIG_FILE is {what}")
            with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
                began = time.monotonic()
                code, out, err = run(workdir, extra_env={"SDL_GAMECONTROLLERCONFIG_FILE": path})
                took = time.monotonic() - began
                problems = [line for line in err if line.strip()]
                check(code == 0 and any(line.startswith("Level: 1, ") for line in out),
                      f"the game starts and ends by itself (status {code})")
                check(took < 30, f"without a long wait ({took:.1f} s)")
                check(len(problems) == 1 and problems[0].startswith(f"gumbolt: not reading the gamepad mappings in {path} "),
                      f"one line says the file is skipped: {problems}")


def sigterm_at_every_moment_of_the_start():
    print("SIGTERM at moments of the start, while SDL reads a long list of mappings")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        mappings = os.path.join(workdir, "mappings.txt")
        mapping_lines(mappings, 9900)  # within the bounds: SDL reads it, for a second or more
        env = game_env(SDL_GAMECONTROLLERCONFIG_FILE=mappings)
        env.pop("GUMBOLT_QUIT_AFTER_FRAMES", None)
        for delay in (0.0, 0.05, 0.1, 0.2, 0.3, 0.5, 0.8, 1.2):
            game = subprocess.Popen([GAME], cwd=workdir, env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.PIPE, text=True)
            time.sleep(delay)
            sent = time.monotonic()
            game.send_signal(signal.SIGTERM)
            code = ends_within(game, 60)
            took = time.monotonic() - sent
            err = [line for line in game.stderr.read().splitlines() if line.strip()] if code is not None else []
            # Before the program has set up its handling the signal ends it the default way.
            check(code in (0, -signal.SIGTERM) and took < 1.0,
                  f"sent after {delay} s: the game ends within a second (status {code}, {took:.2f} s)")
            check(err == [], f"nothing on standard error: {err}")


# ---------------------------------------------------------------- under a window system

def ends_within(process, seconds):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def closed_standard_outputs(screen):
    print("standard output and standard error closed, under X11")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        def close_outputs():
            os.close(1)
            os.close(2)

        game = subprocess.Popen([GAME], cwd=workdir, env=screen.env(), stdin=subprocess.DEVNULL,
                                preexec_fn=close_outputs)
        found = screen.window_of()
        time.sleep(0.5)
        game.send_signal(signal.SIGTERM)
        code = ends_within(game, 60)
        check(found is not None, "the window appears")
        check(code == 0, f"SIGTERM ends the game with exit status 0 (got {code}, None: it hung)")


def send_key_presses(display, window, keysym, count):
    """Sends count presses and releases of a key straight to a window, each 20 ms of server time
    after the last (so none of them looks like a key repeat), as fast as the server takes them."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class KeyEvent(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("root", ctypes.c_ulong),
                    ("subwindow", ctypes.c_ulong), ("time", ctypes.c_ulong), ("x", ctypes.c_int),
                    ("y", ctypes.c_int), ("x_root", ctypes.c_int), ("y_root", ctypes.c_int),
                    ("state", ctypes.c_uint), ("keycode", ctypes.c_uint), ("same_screen", ctypes.c_int)]

    class Event(ctypes.Union):
        _fields_ = [("xkey", KeyEvent), ("pad", ctypes.c_long * 24)]

    key_press, key_release, key_masks = 2, 3, 3
    dpy = x11.XOpenDisplay(display.encode())
    keycode = x11.XKeysymToKeycode(dpy, x11.XStringToKeysym(keysym.encode()))
    for i in range(count):
        for kind in (key_press, key_release):
            event = Event()
            event.xkey.type = kind
            event.xkey.display = dpy
            event.xkey.window = int(window)
            event.xkey.root = x11.XDefaultRootWindow(dpy)
            event.xkey.time = 1000 + 20 * i + (10 if kind == key_release else 0)
            event.xkey.keycode = keycode
            event.xkey.same_screen = 1
            x11.XSendEvent(dpy, int(window), 1, key_masks, ctypes.byref(event))
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)


def f11_flood(screen):
    print("a flood of F11 presses without a window manager, under X11")
    with tempfile.TemporaryDirectory(prefix="gumbolt-hostile-") as workdir:
        game = subprocess.Popen([GAME], cwd=workdir, env=screen.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
        window = screen.window_of()
        check(window is not None, "the window appears")
        if window is not None:
            send_key_presses(screen.name, window, "F11", 1000)
        game.send_signal(signal.SIGTERM)
        # Each switch takes about 0.1 s here: when every press waited out its own switch in
        # turn, ending after this burst took well over a minute.
        code = ends_within(game, 30)
        check(code == 0, f"SIGTERM right after the flood ends the game with exit status 0 (got {code})")
        err = [line for line in game.stderr.read().splitlines() if line.strip()] if code is not None else []
        check(err == [], f"nothing on standard error: {err}")


def main():
    no_display()
    no_display_and_no_driver_chosen()
    closed_output_pipe()
    answers_that_cannot_be_written()
    frame_limits_that_are_not_counts()
    mapping_files_sdl_should_not_read()
    sigterm_at_every_moment_of_the_start()
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
    player = None
    if os.geteuid() == 0:
        # Root reads any file: the game runs as an ordinary user, if that user can reach it.
        needs = [GAME] + [part.split("=", 1)[1] for part in os.environ.get("LSAN_OPTIONS", "").split(":")
                          if part.startswith("suppressions=")]
        reachable = all(subprocess.run(["test", "-r", path], user=OTHER_USER).returncode == 0 for path in needs)
        player = OTHER_USER if reachable else -1
    if player == -1:
        print("gb.dat cannot be read by the player\n  skipped: an ordinary user cannot reach the game here")
    else:
        scenario("gb.dat cannot be read by the player", unreadable, 1, user=player,
                 after=left_alone(holds_old_table))
    scenario("gb.dat is a FIFO", fifo, 1, after=left_alone(lambda p: os.path.exists(p) and not os.path.isfile(p)))
    scenario("gb.dat is a link to a FIFO", link_to_fifo, 1,
             after=left_alone(lambda p: os.path.islink(p) and not os.path.isfile(p)))
    scenario("gb.dat is a 20 GB sparse file", huge_sparse, 0,
             after=lambda p, out, err: check(os.path.getsize(p) in (SPARSE_SIZE, len(OLD_TABLE)),
                                             "the file is left alone"))
    scenario("temporary files of killed saves lie beside gb.dat", stale_temporaries, 0, after=only_gb_dat_left)

    if shutil.which("Xvfb") is None or shutil.which("xdotool") is None:
        check(False, "Xvfb and xdotool are installed (run tools/install-deps.sh)")
    else:
        screen = VirtualScreen(first=140)
        try:
            closed_standard_outputs(screen)
            f11_flood(screen)
        finally:
            screen.close()
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
