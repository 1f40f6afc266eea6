#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "game/TSettings.h"

namespace gb {

// Where the settings are kept, and their reading and writing: a small text file (see
// TSettings), read once at start and written whole, atomically, when the settings change.
//
// A missing file means the defaults. A file that is there but cannot be read is reported once
// and never written over by this run, so a passing fault (a permission, a disk) cannot cost
// the player the settings in it.
class TSettingsFile {
  public:
    // $XDG_CONFIG_HOME/gumbolt/settings, or ~/.config/gumbolt/settings when XDG_CONFIG_HOME is
    // unset, empty or not an absolute path; empty when there is no absolute HOME either.
    static std::string pathFor(const char* configHome, const char* home);
    // The same from the environment.
    static std::string defaultPath();

    // path empty: nothing is read or written.
    explicit TSettingsFile(std::string path) : path_(std::move(path)) {}

    // Reads the file: every wrong line, or the reason the file cannot be read, goes to err in
    // one line each, naming the file.
    TSettings load(std::FILE* err);
    // Writes the settings when they differ from the ones read or last written, making the
    // directory when it is missing. A failure is said in one line on err; false then.
    bool save(const TSettings& settings, std::FILE* err);

    const std::string& path() const { return path_; }
    // False once a read found the file there but unreadable.
    bool writable() const { return writable_; }

  private:
    std::string path_;
    bool writable_ = true;
    TSettings kept_;
};

}  // namespace gb
