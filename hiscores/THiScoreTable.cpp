#include "hiscores/THiScoreTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "hiscores/FileReplace.h"
#include "services/Console.h"
#include "services/ProgramError.h"
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

// Records fetched from the file per read.
constexpr std::size_t kRecordsPerRead = 4096;

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
    StreamRef stream = readStream(fileName);
    scores = std::make_shared<TList<THiScore>>();
    if (!stream) {
        fillWithDefaults();
        return;
    }
    readBest(stream);
    closeStream(stream);
}

void THiScoreTable::fillWithDefaults() {
    for (const DefaultEntry& entry : kDefaultTable) {
        auto score = THiScore::create(entry.name);
        score->score = entry.score;
        scores->addLast(score);
    }
}

// Reads the records in blocks and keeps the best maxScores as it goes. A record is kept only
// if the table has room or it scores strictly above the lowest kept entry, and it goes after
// every kept entry with a score at least as high; so the result is exactly what reading every
// record and then sortAndTrim would give, with the memory of one block. A trailing partial
// record counts, its missing bytes as zero; reading stops at the size the file had when it
// was opened, or earlier if the file shrinks meanwhile.
void THiScoreTable::readBest(const StreamRef& stream) {
    const std::size_t keep = maxScores > 0 ? static_cast<std::size_t>(maxScores) : 0;
    std::vector<std::shared_ptr<THiScore>> best;
    best.reserve(std::min<std::size_t>(keep, kRecordsPerRead));

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
    std::vector<unsigned char> buffer(kRecordsPerRead * record);
    for (;;) {
        const std::size_t got = stream->read(buffer.data(), buffer.size());
        std::size_t at = 0;
        for (; at + record <= got; at += record) {
            offer(buffer.data() + at, record);
        }
        if (at < got) {
            offer(buffer.data() + at, got - at);
        }
        if (got < buffer.size()) {
            break;
        }
    }
    for (auto& entry : best) {
        scores->addLast(std::move(entry));
    }
}

bool THiScoreTable::save() {
    std::string bytes;
    if (scores) {
        for (auto* link = scores->firstLink(); link != nullptr; link = link->nextLink()) {
            link->value()->appendRecordTo(bytes);
        }
    }
    std::string reason;
    if (!replaceFileContents(fileName, bytes, reason)) {
        std::fprintf(stderr, "Could not save the high scores to %s: %s\n", fileName.c_str(),
                     reason.c_str());
        std::fflush(stderr);
        return false;
    }
    return true;
}

void THiScoreTable::addPlayer(const THiScore& entry) {
    if (!scores) {
        scores = std::make_shared<TList<THiScore>>();
    }
    scores->addLast(entry.copy());
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
    scores->sort(0);
    for (int n = scores->count() - maxScores; n > 0; --n) {
        scores->removeLast();
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
