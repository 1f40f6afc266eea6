#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace gb {

// The game's few command-line options. Without arguments the game simply starts;
// --help and --version answer and end the program, anything else is a usage error.
class CommandLine {
  public:
    enum class Request { play, help, version, usageError };

    // What the arguments (argv[1] onwards) ask for.
    static Request parse(int argc, const char* const argv[]);

    // The text --help prints: the options, the keys, where the scores are kept and the
    // environment variables the game honours.
    static std::string usage();

    // The text --version prints: a first line of "gumbolt " and the version, then the
    // copyright and the licence (GPL-3.0-or-later), each line ending in a newline.
    static std::string versionLine();

    // Answers the request on the given streams. Returns the exit status when the program
    // ends here (0 after --help or --version, 2 after a usage error, 1 when the answer
    // could not be written, said in one line on err), or nothing when the game should start.
    // out is nullptr when the program was started with its standard output closed.
    static std::optional<int> answer(int argc, const char* const argv[], std::FILE* out,
                                     std::FILE* err);
};

}  // namespace gb
