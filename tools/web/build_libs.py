#!/usr/bin/env python3
"""Builds the C and C++ libraries the browser build links into one prefix.

    build_libs.py SOURCES PREFIX

SOURCES holds the unpacked Debian source packages (libsdl2-*, libopenmpt-*, libogg-*,
libvorbis-*, libpng1.6-*, zlib-*). The libraries are compiled with emcc straight from their
sources, without their own configure steps: one ninja file compiles every library's files in
parallel and archives them, then the headers and pkg-config files are laid out under PREFIX
(include/, lib/, lib/pkgconfig/). GoogleTest comes from Debian's googletest sources in
/usr/src/googletest, for the unit suites built for WebAssembly.

The recipe below is part of the cache key (tools/web/build-libs.sh hashes this file): any
change here rebuilds the prefix.
"""

import glob
import os
import re
import shlex
import shutil
import subprocess
import sys

OPT = ["-O2"]


def one(pattern):
    """The single directory matching a pattern, or a clear failure."""
    found = sorted(glob.glob(pattern))
    if len(found) != 1:
        sys.exit(f"build_libs: expected one match for {pattern}, found {found}")
    return found[0]


def files(root, *patterns):
    out = []
    for pattern in patterns:
        matched = sorted(glob.glob(os.path.join(root, pattern)))
        if not matched:
            sys.exit(f"build_libs: nothing matches {os.path.join(root, pattern)}")
        out.extend(matched)
    return out


class Library:
    def __init__(self, name, sources, flags, compiler="emcc", exceptions=False):
        self.name = name
        self.sources = sources
        self.flags = flags
        self.compiler = compiler
        # Catches C++ exceptions, which emscripten's code does not by default (a throw then
        # ends the program); the programs that link it must be linked with -fexceptions too.
        self.exceptions = exceptions


def zlib(src, build):
    names = ["adler32", "compress", "crc32", "deflate", "gzclose", "gzlib", "gzread",
             "gzwrite", "infback", "inffast", "inflate", "inftrees", "trees", "uncompr", "zutil"]
    lib = Library("z", [os.path.join(src, n + ".c") for n in names],
                  ["-DHAVE_UNISTD_H", "-DHAVE_STDARG_H", "-I" + src, "-Wno-deprecated-non-prototype"])
    headers = {"zlib.h": os.path.join(src, "zlib.h"), "zconf.h": os.path.join(src, "zconf.h")}
    return lib, headers


def png(src, build, zsrc):
    conf = os.path.join(build, "png-include")
    os.makedirs(conf, exist_ok=True)
    shutil.copyfile(os.path.join(src, "scripts", "pnglibconf.h.prebuilt"),
                    os.path.join(conf, "pnglibconf.h"))
    names = ["png", "pngerror", "pngget", "pngmem", "pngpread", "pngread", "pngrio", "pngrtran",
             "pngrutil", "pngset", "pngtrans", "pngwio", "pngwrite", "pngwtran", "pngwutil"]
    lib = Library("png16", [os.path.join(src, n + ".c") for n in names],
                  ["-I" + conf, "-I" + src, "-I" + zsrc, "-DPNG_ARM_NEON_OPT=0"])
    headers = {"png.h": os.path.join(src, "png.h"), "pngconf.h": os.path.join(src, "pngconf.h"),
               "pnglibconf.h": os.path.join(conf, "pnglibconf.h")}
    return lib, headers


OGG_CONFIG_TYPES = """#ifndef __CONFIG_TYPES_H__
#define __CONFIG_TYPES_H__
#include <stdint.h>
typedef int16_t ogg_int16_t;
typedef uint16_t ogg_uint16_t;
typedef int32_t ogg_int32_t;
typedef uint32_t ogg_uint32_t;
typedef int64_t ogg_int64_t;
typedef uint64_t ogg_uint64_t;
#endif
"""


def ogg(src, build):
    with open(os.path.join(src, "include", "ogg", "config_types.h"), "w") as f:
        f.write(OGG_CONFIG_TYPES)
    lib = Library("ogg", files(src, "src/bitwise.c", "src/framing.c"), ["-I" + os.path.join(src, "include")])
    inc = os.path.join(src, "include", "ogg")
    headers = {f"ogg/{n}": os.path.join(inc, n) for n in ["ogg.h", "os_types.h", "config_types.h"]}
    return lib, headers


def vorbis(src, build, oggsrc):
    names = ["mdct", "smallft", "block", "envelope", "window", "lsp", "lpc", "analysis",
             "synthesis", "psy", "info", "floor1", "floor0", "res0", "mapping0", "registry",
             "codebook", "sharedbook", "lookup", "bitrate"]
    flags = ["-I" + os.path.join(src, "include"), "-I" + os.path.join(src, "lib"),
             "-I" + os.path.join(oggsrc, "include")]
    core = Library("vorbis", [os.path.join(src, "lib", n + ".c") for n in names], flags)
    file_ = Library("vorbisfile", [os.path.join(src, "lib", "vorbisfile.c")], flags)
    enc = Library("vorbisenc", [os.path.join(src, "lib", "vorbisenc.c")], flags)
    inc = os.path.join(src, "include", "vorbis")
    headers = {f"vorbis/{n}": os.path.join(inc, n) for n in ["codec.h", "vorbisfile.h", "vorbisenc.h"]}
    return [core, file_, enc], headers


def openmpt(src, build):
    # The library's own file list, from its automake file.
    sources = []
    with open(os.path.join(src, "Makefile.am")) as f:
        for line in f:
            parts = line.split()
            if (len(parts) == 3 and parts[1] == "+=" and parts[2].endswith(".cpp")
                    and parts[0] in ("MPT_FILES_COMMON", "MPT_FILES_SOUNDDSP", "MPT_FILES_SOUNDLIB",
                                     "MPT_FILES_SOUNDBASE", "MPT_FILES_SRC_MPT",
                                     "MPT_FILES_SRC_OPENMPT")):
                sources.append(os.path.join(src, parts[2]))
    for name in ["libopenmpt_c.cpp", "libopenmpt_cxx.cpp", "libopenmpt_ext_impl.cpp", "libopenmpt_impl.cpp"]:
        sources.append(os.path.join(src, "libopenmpt", name))
    if len(sources) < 100:
        sys.exit("build_libs: libopenmpt's file list was not found in Makefile.am")
    # The version defines its configure script would set.
    with open(os.path.join(src, "configure.ac")) as f:
        defines = re.findall(r"AC_DEFINE\(\[(MPT_SVN\w+|MPT_PACKAGE)\], \[([^]]*)\]", f.read())
    flags = [f"-D{name}={value}" for name, value in defines]
    flags += ["-std=c++17", "-DLIBOPENMPT_BUILD", "-I" + os.path.join(src, "build", "svn_version"),
             "-I" + src, "-I" + os.path.join(src, "src"), "-I" + os.path.join(src, "common")]
    # libopenmpt reports a damaged module by throwing inside itself and catching it.
    lib = Library("openmpt", sources, flags, compiler="em++", exceptions=True)
    inc = os.path.join(src, "libopenmpt")
    headers = {f"libopenmpt/{n}": os.path.join(inc, n)
               for n in ["libopenmpt.h", "libopenmpt.hpp", "libopenmpt_config.h", "libopenmpt_version.h",
                         "libopenmpt_ext.h", "libopenmpt_ext.hpp", "libopenmpt_stream_callbacks_buffer.h",
                         "libopenmpt_stream_callbacks_fd.h", "libopenmpt_stream_callbacks_file.h"]}
    return lib, headers


def sdl(src, build):
    # SDL's own configuration for this platform (include/SDL_config_emscripten.h, chosen by
    # SDL_config.h) with two additions for the unit suites under node: the dummy video driver,
    # which is only ever picked when asked for by name, and virtual joysticks, which exist
    # only when a program makes them.
    dirs = ["src/*.c", "src/atomic/*.c", "src/audio/*.c", "src/audio/emscripten/*.c",
            "src/audio/disk/*.c", "src/audio/dummy/*.c", "src/cpuinfo/*.c", "src/dynapi/*.c",
            "src/events/*.c", "src/file/*.c", "src/filesystem/emscripten/*.c", "src/haptic/*.c",
            "src/haptic/dummy/*.c", "src/joystick/*.c", "src/joystick/emscripten/*.c",
            "src/joystick/virtual/*.c",
            "src/libm/*.c", "src/loadso/dlopen/*.c", "src/locale/*.c", "src/locale/emscripten/*.c",
            "src/misc/*.c", "src/misc/emscripten/*.c", "src/power/*.c", "src/power/emscripten/*.c",
            "src/render/*.c", "src/render/opengles2/*.c", "src/render/software/*.c",
            "src/sensor/*.c", "src/sensor/dummy/*.c", "src/stdlib/*.c", "src/thread/*.c",
            "src/thread/generic/*.c", "src/timer/*.c", "src/timer/unix/*.c", "src/video/*.c",
            "src/video/yuv2rgb/*.c", "src/video/emscripten/*.c", "src/video/dummy/*.c"]
    flags = ["-I" + os.path.join(src, "include"),
             "-DSDL_VIDEO_DRIVER_DUMMY=1", "-DSDL_JOYSTICK_VIRTUAL=1", "-Wno-deprecated-non-prototype"]
    lib = Library("SDL2", files(src, *dirs), flags)
    inc = os.path.join(src, "include")
    headers = {f"SDL2/{n}": os.path.join(inc, n) for n in os.listdir(inc) if n.endswith(".h")}
    return lib, headers


def gtest(build):
    root = "/usr/src/googletest"
    gt = os.path.join(root, "googletest")
    gm = os.path.join(root, "googlemock")
    flags = ["-std=c++17", "-I" + os.path.join(gt, "include"), "-I" + gt,
             "-I" + os.path.join(gm, "include"), "-I" + gm, "-DGTEST_HAS_PTHREAD=0"]
    libs = [Library("gtest", [os.path.join(gt, "src", "gtest-all.cc")], flags, compiler="em++"),
            Library("gmock", [os.path.join(gm, "src", "gmock-all.cc")], flags, compiler="em++"),
            # CMake's FindGTest wants the two mains, though the suites bring their own.
            Library("gtest_main", [os.path.join(gt, "src", "gtest_main.cc")], flags, compiler="em++"),
            Library("gmock_main", [os.path.join(gm, "src", "gmock_main.cc")], flags, compiler="em++")]
    headers = {}
    for base in (os.path.join(gt, "include"), os.path.join(gm, "include")):
        for dirpath, _, names in os.walk(base):
            for n in names:
                full = os.path.join(dirpath, n)
                headers[os.path.relpath(full, base)] = full
    return libs, headers


# The prefix is found from the file's own place, so the folder can be built in one place and
# moved to another.
PC = """prefix=${{pcfiledir}}/../..
libdir=${{prefix}}/lib
includedir=${{prefix}}/include

Name: {name}
Description: {name} built for WebAssembly
Version: {version}
Requires: {requires}
Libs: -L${{libdir}} {libs}
Cflags: -I${{includedir}}{cflags}
"""


def emscripten_tools():
    """emcc's compiler and archiver, and the flags emcc would give them.

    Calling clang directly with emcc's own flags compiles the same objects as emcc does,
    without starting emcc's Python driver for each of some 500 files (about 0.6 s of CPU each).
    """
    def config(key):
        return subprocess.run(["em-config", key], check=True, capture_output=True,
                              text=True).stdout.strip()
    root = config("LLVM_ROOT")
    suffix = config("CLANG_ADD_VERSION")

    def tool(name):
        for candidate in (f"{name}-{suffix}", name):
            path = os.path.join(root, candidate)
            if os.access(path, os.X_OK):
                return path
        sys.exit(f"build_libs: {name} not found in {root}")
    def cflags(*extra):
        return subprocess.run(["emcc", "--cflags", *extra], check=True, capture_output=True,
                              text=True).stdout.split()
    return {"emcc": tool("clang"), "em++": tool("clang++"), "ar": tool("llvm-ar"),
            "cflags": cflags(), "cflags_exceptions": cflags("-fexceptions")}


def write_ninja(build, libraries):
    tools = emscripten_tools()
    lines = ["ninja_required_version = 1.5", ""]
    for key in ("cflags", "cflags_exceptions"):
        lines.append(f"{key} = " + " ".join(shlex.quote(f) for f in tools[key]).replace("$", "$$"))
    lines += ["rule cc", "  command = $cc $base -MMD -MF $out.d $flags -c $in -o $out", "  depfile = $out.d",
              "  description = $name $in", ""]
    lines += ["rule ar", f"  command = rm -f $out && {tools['ar']} rcs $out $in", "  description = archive $out", ""]
    for lib in libraries:
        objects = []
        for source in lib.sources:
            rel = os.path.relpath(source, "/")
            obj = os.path.join(build, "obj", lib.name, rel + ".o")
            objects.append(obj)
            lines.append(f"build {ninja_escape(obj)}: cc {ninja_escape(source)}")
            lines.append(f"  cc = {tools[lib.compiler]}")
            lines.append("  base = " + ("$cflags_exceptions" if lib.exceptions else "$cflags"))
            lines.append(f"  name = {lib.name}")
            lines.append("  flags = " + " ".join(shlex.quote(f) for f in OPT + lib.flags).replace("$", "$$"))
        archive = os.path.join(build, "lib", f"lib{lib.name}.a")
        lines.append(f"build {ninja_escape(archive)}: ar " + " ".join(ninja_escape(o) for o in objects))
        lines.append("")
    with open(os.path.join(build, "build.ninja"), "w") as f:
        f.write("\n".join(lines) + "\n")


def ninja_escape(path):
    return path.replace("$", "$$").replace(" ", "$ ").replace(":", "$:")


def version_of(src):
    # libsdl2-2.26.5+dfsg -> 2.26.5
    tail = os.path.basename(src).rsplit("-", 1)[1]
    return tail.split("+")[0].replace(".dfsg", "")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sources, prefix = (os.path.abspath(a) for a in sys.argv[1:])
    build = os.path.join(sources, "build")
    os.makedirs(build, exist_ok=True)

    zsrc = one(os.path.join(sources, "zlib-*"))
    pngsrc = one(os.path.join(sources, "libpng1.6-*"))
    oggsrc = one(os.path.join(sources, "libogg-*"))
    vorbissrc = one(os.path.join(sources, "libvorbis-*"))
    mptsrc = one(os.path.join(sources, "libopenmpt-*"))
    sdlsrc = one(os.path.join(sources, "libsdl2-*"))

    z, zh = zlib(zsrc, build)
    p, ph = png(pngsrc, build, zsrc)
    o, oh = ogg(oggsrc, build)
    v, vh = vorbis(vorbissrc, build, oggsrc)
    m, mh = openmpt(mptsrc, build)
    s, sh = sdl(sdlsrc, build)
    g, gh = gtest(build)
    # The slowest first, so that the two cores stay busy to the end.
    libraries = [m, s, z, p, o] + v + g
    write_ninja(build, libraries)
    jobs = os.environ.get("GUMBOLT_WEB_JOBS", str(os.cpu_count() or 2))
    subprocess.run(["ninja", "-C", build, "-j", jobs], check=True)

    os.makedirs(os.path.join(prefix, "lib", "pkgconfig"), exist_ok=True)
    for lib in libraries:
        shutil.copyfile(os.path.join(build, "lib", f"lib{lib.name}.a"),
                        os.path.join(prefix, "lib", f"lib{lib.name}.a"))
    for headers in (zh, ph, oh, vh, mh, sh, gh):
        for rel, full in headers.items():
            dest = os.path.join(prefix, "include", rel)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            shutil.copyfile(full, dest)

    pcs = [
        ("zlib", version_of(zsrc), "", "-lz", ""),
        ("libpng", version_of(pngsrc), "zlib", "-lpng16", ""),
        ("ogg", version_of(oggsrc), "", "-logg", ""),
        ("vorbis", version_of(vorbissrc), "ogg", "-lvorbis", ""),
        ("vorbisfile", version_of(vorbissrc), "vorbis", "-lvorbisfile", ""),
        ("vorbisenc", version_of(vorbissrc), "vorbis", "-lvorbisenc", ""),
        ("libopenmpt", version_of(mptsrc), "", "-lopenmpt", ""),
        ("sdl2", version_of(sdlsrc), "", "-lSDL2", " -I${includedir}/SDL2"),
    ]
    for name, version, requires, libs, cflags in pcs:
        with open(os.path.join(prefix, "lib", "pkgconfig", name + ".pc"), "w") as f:
            f.write(PC.format(name=name, version=version, requires=requires, libs=libs,
                              cflags=cflags))


if __name__ == "__main__":
    main()
