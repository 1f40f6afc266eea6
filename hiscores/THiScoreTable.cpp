#include "hiscores/THiScoreTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "core/Console.h"
#include "core/ProgramError.h"
#include "core/Text.h"
#include "hiscores/FileLock.h"
#include "hiscores/FileRead.h"
#include "hiscores/FileReplace.h"

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

void reportBusy(const std::string& fileName, std::chrono::milliseconds waited) {
    std::fprintf(stderr,
                 "Could not save the high scores to %s yet: another copy of the game kept it "
                 "locked for %g s. The new scores are kept, to be saved with the next one or "
                 "when the game ends.\n",
                 fileName.c_str(), static_cast<double>(waited.count()) / 1000.0);
    std::fflush(stderr);
}

// A record that never ranks in a full table: the lowest score, after every record that ties
// with it. It fills a file written in place until the file is cut to the new length.
const std::string& fillerRecord() {
    static const std::string record = [] {
        THiScore filler;
        filler.name = std::string(THiScore::kNameLength, ' ');
        filler.score = std::numeric_limits<std::int32_t>::min();
        std::string bytes;
        filler.appendRecordTo(bytes);
        return bytes;
    }();
    return record;
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
    const FileLock lock(fileName, lockWait);
    if (!lock.held()) {
        if (!lock.busy()) {
            reportFailedSave(fileName, lock.reason());
        } else if (!saidBusy_) {
            reportBusy(fileName, lockWait);
            saidBusy_ = true;
        }
        return false;
    }

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
    // A file longer than the new table is only ever left so by a table of maxScores entries
    // (a shorter table takes every record of the file), below which the filler never ranks.
    const InPlaceFill fill{fillerRecord(), kMaxFileRecords * THiScore::kRecordSize};
    if (!replaceFileContents(fileName, bytes, fill, reason, renameFile)) {
        reportFailedSave(fileName, reason);
        return false;
    }
    scores = merged;
    added_.clear();
    saidBusy_ = false;
    if (saved) {
        saved(fileName);
    }
    return true;
}

bool THiScoreTable::saveAtExit() {
    if (save()) {
        return true;
    }
    if (added_.empty()) {
        return false;
    }
    // The best of them first, as the table would show them.
    std::vector<THiScore> lost = added_;
    std::stable_sort(lost.begin(), lost.end(),
                     [](const THiScore& a, const THiScore& b) { return a.compare(&b) > 0; });
    const std::size_t shown =
        std::min(lost.size(), static_cast<std::size_t>(std::max(maxScores, 1)));
    std::string list;
    for (std::size_t i = 0; i < shown; ++i) {
        list += concatText(i == 0 ? "" : ", ", lost[i].name, ' ', lost[i].score);
    }
    if (lost.size() > shown) {
        list += concatText(" and ", lost.size() - shown, " lower");
    }
    std::fprintf(stderr, "These scores were not saved to %s: %s.\n", fileName.c_str(),
                 list.c_str());
    std::fflush(stderr);
    return false;
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
