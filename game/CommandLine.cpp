#include "game/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#ifndef GUMBOLT_VERSION
#error "GUMBOLT_VERSION must be defined by the build"
#endif

namespace gb {

namespace {

// Writes the whole text and flushes it; false when the stream refused it (a closed
// descriptor, a full disk, a pipe whose reader went away). No stream at all is a closed one.
bool writeText(std::FILE* stream, std::string_view text) {
    if (stream == nullptr) {
        errno = EBADF;
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    return std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
}

}  // namespace

CommandLine::Request CommandLine::parse(int argc, const char* const argv[]) {
    if (argc <= 1) {
        return Request::play;
    }
    if (argc > 2) {
        return Request::usageError;
    }
    const std::string_view option = argv[1];
    if (option == "--help" || option == "-h") {
        return Request::help;
    }
    if (option == "--version") {
        return Request::version;
    }
    return Request::usageError;
}

std::string CommandLine::usage() {
    return "Usage: gumbolt [--help | --version]\n"
           "\n"
           "Gumbolt, a falling-blocks puzzle game of fruit and sweets. Without options it\n"
           "opens its window and plays.\n"
           "\n"
           "Options:\n"
           "  -h, --help   show this text and exit\n"
           "  --version    show the version and exit\n"
           "\n"
           "Keys:\n"
           "  Left, Right       move the piece\n"
           "  Down              move the piece down one row\n"
           "  Up                drop the piece to the bottom\n"
           "  Z, X              turn the piece a quarter turn left, right\n"
           "  P                 pause; any letter resumes\n"
           "  M                 music on or off\n"
           "  comma, period     previous, next music track\n"
           "  minus, equals     volume down, up\n"
           "  Backspace, Delete remove the last letter of your name\n"
           "  Enter             start playing with the name shown\n"
           "  Esc               ask to quit: Y quits, N goes back\n"
           "  F11               full screen or a window\n"
           "  The keypad's 4, 6, 2 and 8 steer like the arrows. Leaving the window pauses.\n"
           "\n"
           "Gamepads:\n"
           "  D-pad or left stick move and drop, A and X turn right, B and Y left, Start\n"
           "  pauses (and plays from name entry), Back asks to quit, the shoulders change\n"
           "  the track, the triggers or the right stick the volume.\n"
           "\n"
           "High scores:\n"
           "  The five best scores are kept in gb.dat in the directory the game is started\n"
           "  from. Started from the desktop menu, the game runs in $XDG_DATA_HOME/gumbolt\n"
           "  (~/.local/share/gumbolt when XDG_DATA_HOME is not set), made on first start.\n"
           "\n"
           "Environment:\n"
           "  XDG_DATA_HOME     where the desktop-menu launch keeps gb.dat\n"
           "  GUMBOLT_DEBUG=1   write the game's trace lines to standard error\n"
           "  GUMBOLT_QUIT_AFTER_FRAMES=N\n"
           "                    end the game after N frames, as closing the window does\n"
           "  SDL_GAMECONTROLLERCONFIG, SDL_GAMECONTROLLERCONFIG_FILE\n"
           "                    SDL mapping lines (or a file of them) for other gamepads\n"
           "  SDL_VIDEODRIVER, SDL_AUDIODRIVER\n"
           "                    choose SDL's video and audio drivers (e.g. dummy)\n";
}

std::string CommandLine::versionLine() {
    return std::string("gumbolt ") + GUMBOLT_VERSION +
           "\n"
           "Copyright (C) 2026 The Gumbolt developers\n"
           "License GPL-3.0-or-later <https://gnu.org/licenses/gpl.html>: the game and its\n"
           "pictures, sounds and music. This is free software: you are free to change and\n"
           "redistribute it. There is NO WARRANTY, to the extent permitted by law.\n";
}

std::optional<int> CommandLine::answer(int argc, const char* const argv[], std::FILE* out,
                                       std::FILE* err) {
    std::string text;
    switch (parse(argc, argv)) {
        case Request::play:
            return std::nullopt;
        case Request::help:
            text = usage();
            break;
        case Request::version:
            text = versionLine();
            break;
        case Request::usageError: {
            const std::string_view first = argv[1];
            std::string complaint = "gumbolt: ";
            if (argc > 2) {
                complaint += "takes at most one option";
            } else {
                complaint += first.starts_with('-') ? "unknown option '" : "unexpected argument '";
                complaint += first;
                complaint += '\'';
            }
            complaint += '\n';
            writeText(err, complaint + usage());
            return 2;
        }
    }
    errno = 0;
    if (!writeText(out, text)) {
        const int error = errno;
        writeText(err, std::string("gumbolt: cannot write to standard output: ") +
                           (error != 0 ? std::strerror(error) : "write error") + "\n");
        return 1;
    }
    return 0;
}

}  // namespace gb
