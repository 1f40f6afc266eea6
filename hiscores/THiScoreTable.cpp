#include "hiscores/THiScoreTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "hiscores/FileLock.h"
#include "hiscores/FileRead.h"
#include "hiscores/FileReplace.h"
#include "services/Console.h"
#include "services/ProgramError.h"
#include "services/TPlatform.h"
#include "services/Text.h"

namespace gb {

namespace {

struct DefaultEntry {
    const char* name;
    std::int32_t score;
};
constexpr DefaultEntry kDefaultTable[] = {
    {"Quillon", 500}, {"Vantrel", 400}, {"Tessary", 300}, {"FMOD", 200}, {"Norvane", 100},
};

constexpr const char* kLineEnd = "\r\n";

// Says once why the file will be left alone for this run.
void reportUnreadable(const std::string& fileName, const std::string& reason) {
    std::fprintf(stderr,
                 "Could not read the high scores in %s: %s. Playing with the default scores; "
                 "%s will not be overwritten.\n",
                 fileName.c_str(), reason.c_str(), fileName.c_str());
    std::fflush(stderr);
}

void reportFailedSave(const std::string& fileName, const std::string& reason) {
    std::fprintf(stderr, "Could not save the high scores to %s: %s\n", fileName.c_str(),
                 reason.c_str());
    std::fflush(stderr);
}

}  // namespace

std::shared_ptr<THiScoreTable> THiScoreTable::create(const std::string& fileName, int maxScores) {
    auto table = std::make_shared<THiScoreTable>();
    table->init(fileName, maxScores);
    return table;
}

void THiScoreTable::init(const std::string& newFileName, int newMaxScores) {
    fileName = newFileName;
    maxScores = newMaxScores;
    load();
}

void THiScoreTable::load() {
    removeStaleTemporaries(fileName);
    std::string bytes;
    std::string reason;
    switch (readFileStart(fileName, kMaxFileRecords * THiScore::kRecordSize, bytes, reason)) {
        case FileReadResult::read:
            scores = bestOf(bytes);
            break;
        case FileReadResult::unreadable:
            if (!keepFile_) {
                reportUnreadable(fileName, reason);
            }
            keepFile_ = true;
            scores = defaultScores(true);
            break;
        case FileReadResult::missing:
            scores = defaultScores(true);
            break;
    }
}

std::shared_ptr<TList<THiScore>> THiScoreTable::defaultScores(bool printNames) const {
    auto list = std::make_shared<TList<THiScore>>();
    for (const DefaultEntry& entry : kDefaultTable) {
        auto score = printNames ? THiScore::create(entry.name) : std::make_shared<THiScore>();
        score->name = entry.name;
        score->score = entry.score;
        list->addLast(score);
    }
    return list;
}

// Keeps the best maxScores records of the bytes as it goes. A record is kept only if there
// is room or it scores strictly above the lowest kept entry, and it goes after every kept
// entry with a score at least as high; so the result is exactly what reading every record
// and then sortAndTrim would give. A trailing partial record counts, its missing bytes as
// zero.
std::shared_ptr<TList<THiScore>> THiScoreTable::bestOf(const std::string& bytes) const {
    const std::size_t keep = maxScores > 0 ? static_cast<std::size_t>(maxScores) : 0;
    std::vector<std::shared_ptr<THiScore>> best;
    best.reserve(std::min<std::size_t>(keep, kMaxFileRecords));

    auto offer = [&](const unsigned char* record, std::size_t n) {
        const std::int32_t score = THiScore::scoreOfRecord(record, n);
        if (keep == 0 || (best.size() == keep && score <= best.back()->score)) {
            return;
        }
        auto place = best.begin();
        while (place != best.end() && (*place)->score >= score) {
            ++place;
        }
        best.insert(place, THiScore::fromRecord(record, n));
        if (best.size() > keep) {
            best.pop_back();
        }
    };

    constexpr std::size_t record = THiScore::kRecordSize;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    for (; at + record <= bytes.size(); at += record) {
        offer(data + at, record);
    }
    if (at < bytes.size()) {
        offer(data + at, bytes.size() - at);
    }
    auto list = std::make_shared<TList<THiScore>>();
    for (auto& entry : best) {
        list->addLast(std::move(entry));
    }
    return list;
}

bool THiScoreTable::save() {
    if (keepFile_) {
        return false;
    }
    if (added_.empty()) {
        return true;
    }
    const FileLock lock(fileName);

    // What the file holds now, as a load would see it.
    std::shared_ptr<TList<THiScore>> merged;
    std::string bytes;
    std::string reason;
    switch (readFileStart(fileName, kMaxFileRecords * THiScore::kRecordSize, bytes, reason)) {
        case FileReadResult::read:
            merged = bestOf(bytes);
            break;
        case FileReadResult::missing:
            merged = defaultScores(false);
            break;
        case FileReadResult::unreadable:
            reportFailedSave(fileName, "the scores there could not be read (" + reason + ")");
            return false;
    }
    for (const THiScore& entry : added_) {
        merged->addLast(std::make_shared<THiScore>(entry));
    }
    merged->sort(false);
    trim(*merged);

    bytes.clear();
    for (auto* link = merged->firstLink(); link != nullptr; link = link->nextLink()) {
        link->value()->appendRecordTo(bytes);
    }
    if (!replaceFileContents(fileName, bytes, reason)) {
        reportFailedSave(fileName, reason);
        return false;
    }
    scores = merged;
    added_.clear();
    if (platform().fileWritten) {
        platform().fileWritten(fileName);
    }
    return true;
}

void THiScoreTable::addPlayer(const THiScore& entry) {
    if (!scores) {
        scores = std::make_shared<TList<THiScore>>();
    }
    auto copy = entry.copy();
    scores->addLast(copy);
    added_.push_back(*copy);
    debugLog("Just added player");
    if (debugLogEnabled()) {
        debugLog(toString());
    }
    sortAndTrim();
}

void THiScoreTable::addPlayer(const std::shared_ptr<THiScore>& entry) {
    if (!entry) {
        programError(kNullObjectError);
    }
    addPlayer(*entry);
}

TList<THiScore>::Link* THiScoreTable::firstLink() const {
    return scores ? scores->firstLink() : nullptr;
}

void THiScoreTable::sortAndTrim() {
    if (!scores) {
        return;
    }
    scores->sort(false);
    trim(*scores);
}

void THiScoreTable::trim(TList<THiScore>& list) const {
    for (int n = list.count() - maxScores; n > 0; --n) {
        list.removeLast();
    }
}

std::string THiScoreTable::toString() const {
    const int count = scores ? scores->count() : 0;
    std::string text =
        concatText("HiScoreTable", kLineEnd, "Maximum Scores : ", maxScores, kLineEnd,
                   "File : ", fileName, kLineEnd, "Score Count : ", count, kLineEnd);
    for (auto* link = firstLink(); link != nullptr; link = link->nextLink()) {
        text += link->value()->toString();
        text += kLineEnd;
    }
    return text;
}

}  // namespace gb
