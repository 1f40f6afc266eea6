"""A virtual X server for the end-to-end tests: Xvfb at 800 x 600, with the helpers the tests
use to find the game's window, send it keys and read the screen back."""

import os
import struct
import subprocess
import time

TITLE = "Falling Blocks"


class VirtualScreen:
    """An Xvfb server on the first free display from `first`; with `window_manager`, openbox
    manages its windows as a desktop's window manager would."""

    def __init__(self, first=91, shots=None, window_manager=False):
        self.number = next(n for n in range(first, first + 60)
                           if not os.path.exists(f"/tmp/.X{n}-lock"))
        self.name = f":{self.number}"
        self.shots = shots
        self.process = subprocess.Popen(
            ["Xvfb", self.name, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{self.number}"):
            if time.time() > deadline or self.process.poll() is not None:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.05)
        self.manager = None
        if window_manager:
            self.start_window_manager()

    def start_window_manager(self):
        """Starts openbox and waits until it has taken over the screen (it announces itself
        on the root window)."""
        self.manager = subprocess.Popen(["openbox"], env=self.env(), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while "window id" not in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                capture_output=True, text=True, timeout=20).stdout:
            if time.time() > deadline or self.manager.poll() is not None:
                self.close()
                raise RuntimeError("openbox did not start")
            time.sleep(0.05)

    def env(self, **extra):
        """The environment of a game on this screen: the X11 driver, no sound device, no
        debug trace."""
        env = dict(os.environ, DISPLAY=self.name, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy")
        env.pop("GUMBOLT_DEBUG", None)
        env.update(extra)
        return env

    def xdotool(self, *args, timeout=20):
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, text=True,
                              timeout=timeout)

    def window_of(self, seconds=30):
        """The game's visible window, or None when none appears in time."""
        try:
            result = self.xdotool("search", "--sync", "--onlyvisible", "--name", TITLE,
                                  timeout=seconds)
        except subprocess.TimeoutExpired:
            return None
        ids = result.stdout.split()
        return ids[0] if ids else None

    def screenshot(self, name):
        """The whole 800 x 600 screen as rows of (r, g, b); also saved as a PPM in `shots`."""
        raw = subprocess.run(["xwd", "-root", "-silent", "-display", self.name],
                             capture_output=True, timeout=20).stdout
        image = parse_xwd(raw)
        if self.shots:
            os.makedirs(self.shots, exist_ok=True)
            width, height, pixels = image
            with open(os.path.join(self.shots, name + ".ppm"), "wb") as out:
                out.write(b"P6 %d %d 255\n" % (width, height))
                out.write(bytes(c for row in pixels for px in row for c in px))
        return image

    def close(self):
        if self.manager is not None:
            self.manager.terminate()
            try:
                self.manager.wait(5)
            except subprocess.TimeoutExpired:
                self.manager.kill()
                self.manager.wait()
            self.manager = None
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def parse_xwd(data):
    """Decodes a TrueColor ZPixmap dump from xwd into (width, height, rows of (r, g, b))."""
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    # The pixels are the last height x bytes_per_line bytes (the header and colour map
    # before them vary in length between xwd versions).
    offset = len(data) - height * bytes_per_line
    if offset < header_size:
        raise ValueError("truncated xwd dump")
    fmt = "<I" if byte_order == 0 else ">I"
    step = bits_per_pixel // 8

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    rows = []
    for y in range(height):
        start = offset + y * bytes_per_line
        row = []
        for x in range(width):
            chunk = data[start + x * step:start + x * step + step]
            value = struct.unpack(fmt, chunk.ljust(4, b"\0"))[0]
            row.append((channel(value, red_mask), channel(value, green_mask), channel(value, blue_mask)))
        rows.append(row)
    return width, height, rows
