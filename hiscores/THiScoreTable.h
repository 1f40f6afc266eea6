#pragma once

#include <memory>
#include <string>

#include "hiscores/THiScore.h"
#include "services/TList.h"

namespace gb {

// The table of the best scores, best first, kept in a file of 12-byte records (see THiScore).
// After a load from the file and after every addPlayer the entries are in descending score
// order, entries of equal score in the order they entered, and there are at most maxScores.
class THiScoreTable {
  public:
    std::shared_ptr<TList<THiScore>> scores;
    int maxScores = 0;
    std::string fileName;

    // A new table, loaded from the file at once (see init).
    static std::shared_ptr<THiScoreTable> create(const std::string& fileName, int maxScores);
    void init(const std::string& newFileName, int newMaxScores);

    // Fills the table from the file, or with the default table when the file cannot be
    // opened. A file of any length and content loads; only the best maxScores entries are
    // kept while reading, so memory does not grow with the file.
    void load();

    // Writes every entry to the file in table order and returns true. The file is replaced
    // as a whole: a failed save (reported on standard error in one line) or a crash during
    // it leaves the old file as it was.
    bool save();

    // Adds a copy of the entry (its name is printed), then sorts and trims, so the entry only
    // stays if it beats the lowest kept score or the table has room.
    void addPlayer(const THiScore& entry);
    void addPlayer(const std::shared_ptr<THiScore>& entry);

    // The link of the best entry, or nullptr when the table is empty; step on with nextLink.
    TList<THiScore>::Link* firstLink() const;

    // Stable sort by descending score, then drops the entries beyond maxScores.
    void sortAndTrim();

    // A dump of the table, one CR LF ended line per field and per entry.
    std::string toString() const;

  private:
    void fillWithDefaults();
    void readBest(const StreamRef& stream);
};

}  // namespace gb
