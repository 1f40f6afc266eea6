#!/usr/bin/env python3
"""Checks that the package's copyright file credits the fonts behind each picture's lettering.

gfxgen --fonts lists every picture and icon with the Debian packages of the fonts it renders
lettering from. In debian/copyright, the Files paragraph that governs a file (the last one
whose patterns match it) must name each such font's licence and copyright holder, and no
font the file does not use.

Usage: check-font-credits.py GFXGEN_BINARY DEBIAN_COPYRIGHT
"""

import fnmatch
import re
import subprocess
import sys

# The fonts gfxgen renders from, by Debian package: the licence's short name in the copyright
# file and the holder its Copyright field must name.
FONTS = {
    "fonts-cherrybomb": ("OFL-1.1", "The Cherry Bomb Project Authors"),
    "fonts-dejavu-core": ("Bitstream-Vera", "Bitstream, Inc."),
}


def paragraphs(text):
    """The copyright file's paragraphs as dictionaries of field to value (continuation lines
    joined with newlines)."""
    result = []
    for block in re.split(r"\n\s*\n", text.strip()):
        fields, name = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line.strip()
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = value.strip()
        result.append(fields)
    return result


def governing(files, path):
    """The last Files paragraph whose patterns match `path`, as the format asks."""
    found = None
    for paragraph in files:
        if any(fnmatch.fnmatchcase(path, pattern) for pattern in paragraph["Files"].split()):
            found = paragraph
    return found


def main(gfxgen, copyright_path):
    listing = subprocess.run([gfxgen, "--fonts"], capture_output=True, text=True, check=True,
                             timeout=300).stdout
    with open(copyright_path) as source:
        files = [p for p in paragraphs(source.read()) if "Files" in p]
    problems = []
    lines = listing.splitlines()
    if not lines:
        problems.append("gfxgen --fonts listed no pictures")
    for line in lines:
        path, *used = line.split()
        unknown = set(used) - set(FONTS)
        if unknown:
            problems.append(f"{path}: lettering from fonts this check does not know "
                            f"{sorted(unknown)}")
        paragraph = governing(files, path)
        if paragraph is None:
            problems.append(f"{path}: no Files paragraph covers it")
            continue
        licences = set(re.split(r"\s+(?:and|or)\s+", paragraph["License"].splitlines()[0]))
        holders = paragraph.get("Copyright", "")
        for package, (licence, holder) in FONTS.items():
            if package in used and (licence not in licences or holder not in holders):
                problems.append(f"{path}: its lettering comes from {package}, but its paragraph "
                                f"(Files: {paragraph['Files'].split()[0]} ...) does not name "
                                f"{licence} and {holder}")
            if package not in used and licence in licences:
                problems.append(f"{path}: its paragraph names {licence}, but it has no lettering "
                                f"from {package}")
    for problem in problems:
        print("FAILED: " + problem)
    print(f"{len(lines)} pictures and icons checked, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
