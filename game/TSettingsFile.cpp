#include "game/TSettingsFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "hiscores/FileRead.h"
#include "hiscores/FileReplace.h"

namespace gb {

namespace {

// Far more than any settings file the game writes or a person would.
constexpr std::size_t kMaxSettingsBytes = std::size_t{64} * 1024;

bool absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

}  // namespace

std::string TSettingsFile::pathFor(const char* configHome, const char* home) {
    if (absolute(configHome)) {
        return std::string(configHome) + "/gumbolt/settings";
    }
    if (absolute(home)) {
        return std::string(home) + "/.config/gumbolt/settings";
    }
    return {};
}

std::string TSettingsFile::defaultPath() {
    return pathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

TSettings TSettingsFile::load(std::FILE* err) {
    kept_ = TSettings();
    if (path_.empty()) {
        return kept_;
    }
    std::string bytes;
    std::string reason;
    switch (readFileStart(path_, kMaxSettingsBytes, bytes, reason)) {
        case FileReadResult::missing:
            return kept_;
        case FileReadResult::unreadable:
            writable_ = false;
            std::fprintf(err,
                         "gumbolt: cannot read the settings in %s (%s): playing with the "
                         "defaults, and the file is left as it is\n",
                         path_.c_str(), reason.c_str());
            return kept_;
        case FileReadResult::read:
            break;
    }
    std::vector<std::string> reports;
    kept_ = TSettings::fromText(bytes, path_, reports);
    for (const std::string& report : reports) {
        std::fprintf(err, "gumbolt: %s\n", report.c_str());
    }
    return kept_;
}

bool TSettingsFile::save(const TSettings& settings, std::FILE* err) {
    if (path_.empty() || !writable_ || settings == kept_) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    std::string reason;
    if (error || !replaceFileContents(path_, settings.toText(), reason)) {
        std::fprintf(err, "gumbolt: cannot save the settings in %s: %s\n", path_.c_str(),
                     error ? error.message().c_str() : reason.c_str());
        return false;
    }
    kept_ = settings;
    return true;
}

}  // namespace gb
