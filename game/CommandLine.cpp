#include "game/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

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

CommandLine::Request CommandLine::parse(int argc, const char* const argv[], Choices* choices,
                                        std::string* complaint) {
    Choices chosen;
    const auto refuse = [complaint](std::string reason) {
        if (complaint != nullptr) {
            *complaint = std::move(reason);
        }
        return Request::usageError;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h" || option == "--version") {
            if (argc > 2) {
                return refuse("--help and --version take no other argument");
            }
            return option == "--version" ? Request::version : Request::help;
        }
        if (option == "--windowed" || option == "--fullscreen") {
            const bool full = option == "--fullscreen";
            if (chosen.fullscreen && *chosen.fullscreen != full) {
                return refuse("choose one of --windowed and --fullscreen");
            }
            chosen.fullscreen = full;
        } else if (option == "--level" || option.starts_with("--level=")) {
            std::string_view value;
            if (option != "--level") {
                value = option.substr(8);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return refuse("--level needs a number from 1 to 9");
            }
            if (value.size() != 1 || value[0] < '1' || value[0] > '9') {
                return refuse("--level takes a number from 1 to 9, not '" + std::string(value) +
                              "'");
            }
            chosen.level = value[0] - '0';
        } else {
            return refuse((option.starts_with('-') ? "unknown option '" : "unexpected argument '") +
                          std::string(option) + "'");
        }
    }
    if (choices != nullptr) {
        *choices = chosen;
    }
    return Request::play;
}

std::string CommandLine::usage() {
    return "Usage: gumbolt [--windowed | --fullscreen] [--level N]\n"
           "       gumbolt --help | --version\n"
           "\n"
           "Gumbolt, a falling-blocks puzzle game of fruit and sweets. Without options it\n"
           "opens its window and plays.\n"
           "\n"
           "Options:\n"
           "  --windowed    open in a window, for this run\n"
           "  --fullscreen  open in full screen, for this run\n"
           "  --level N     start games at level N (1 to 9), for this run\n"
           "  -h, --help    show this text and exit\n"
           "  --version     show the version and exit\n"
           "\n"
           "Keys:\n"
           "  Left, Right       move the piece\n"
           "  Down              move the piece down one row\n"
           "  Up                drop the piece to the bottom\n"
           "  Z, X              turn the piece a quarter turn left, right\n"
           "  P                 pause; any letter resumes\n"
           "  F2                the options, on the title screen (a pad's Y)\n"
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
           "Options and settings:\n"
           "  The options screen sets the volume, the music, the starting track, the start\n"
           "  level, the landing shadow, full screen or a window at start and the keys.\n"
           "  They are kept in $XDG_CONFIG_HOME/gumbolt/settings (~/.config/gumbolt/settings\n"
           "  when XDG_CONFIG_HOME is unset or not absolute), a text file of name = value.\n"
           "  The music and volume keys change the kept settings too.\n"
           "\n"
           "High scores:\n"
           "  The five best scores are kept in gb.dat in the directory the game is started\n"
           "  from. Started from the desktop menu, the game runs in $XDG_DATA_HOME/gumbolt\n"
           "  (~/.local/share/gumbolt when XDG_DATA_HOME is not set), made on first start.\n"
           "\n"
           "Environment:\n"
           "  XDG_DATA_HOME     where the desktop-menu launch keeps gb.dat\n"
           "  XDG_CONFIG_HOME   where the settings are kept\n"
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
                                       std::FILE* err, Choices* choices) {
    std::string text;
    std::string reason;
    switch (parse(argc, argv, choices, &reason)) {
        case Request::play:
            return std::nullopt;
        case Request::help:
            text = usage();
            break;
        case Request::version:
            text = versionLine();
            break;
        case Request::usageError:
            writeText(err, "gumbolt: " + reason + "\n" + usage());
            return 2;
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
