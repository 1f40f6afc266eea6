#!/usr/bin/env python3
"""Starts the real gumbolt executable twenty times and checks that games do not all open with
the same piece.

The random numbers are seeded with the system's millisecond clock at start-up, and the first
piece kind changes about every 1.6 s of that clock; twenty starts take several seconds, so
they must see more than one first piece. The kind is read from the debug trace
("Next Piece Index = k"), which GUMBOLT_DEBUG=1 sends to standard error.

Usage: first_pieces.py GUMBOLT_EXECUTABLE
"""

import os
import subprocess
import sys
import tempfile

GAME = os.path.abspath(sys.argv[1])
STARTS = 20

firsts = []
with tempfile.TemporaryDirectory(prefix="gumbolt-first-pieces-") as workdir:
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", GUMBOLT_DEBUG="1",
               GUMBOLT_QUIT_AFTER_FRAMES="1")
    for _ in range(STARTS):
        result = subprocess.run([GAME], cwd=workdir, env=env, capture_output=True, text=True,
                                timeout=120)
        if result.returncode != 0:
            sys.exit(f"FAILED: the game ended with status {result.returncode}: {result.stderr}")
        kinds = [line.split("=")[1].strip() for line in result.stderr.splitlines()
                 if line.startswith("Next Piece Index = ")]
        if not kinds:
            sys.exit("FAILED: no 'Next Piece Index' trace line on standard error")
        firsts.append(kinds[0])

counts = {kind: firsts.count(kind) for kind in sorted(set(firsts))}
print(f"first piece kinds over {STARTS} starts: {counts}")
if len(counts) < 2:
    sys.exit("FAILED: every start opened with the same piece")
print("ok: the opening piece differs between starts")
