#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TList.h"
#include "hiscores/FileReplace.h"
#include "hiscores/THiScore.h"

namespace gb {

// The table of the best scores, best first, kept in a file of 12-byte records (see THiScore).
// After a load from the file and after every addPlayer the entries are in descending score
// order, entries of equal score in the order they entered, and there are at most maxScores.
class THiScoreTable {
  public:
    std::shared_ptr<TList<THiScore>> scores;
    int maxScores = 0;
    std::string fileName;
    // How save moves the new file into place: rename(2) unless a test puts a stand-in here
    // (see replaceFileContents).
    RenameFile renameFile;
    // Told the file's name after every save that wrote it (not after one that had nothing to
    // add or failed); empty: nothing to do. A browser hands the file on to lasting storage.
    std::function<void(const std::string& fileName)> saved;

    // A new table, loaded from the file at once (see init).
    [[nodiscard]] static std::shared_ptr<THiScoreTable> create(const std::string& fileName,
                                                               int maxScores);
    void init(const std::string& newFileName, int newMaxScores);

    // Fills the table from the file, or with the default table when there is no such file.
    // A file of any length and content loads; only its first kMaxFileRecords records are
    // read, so a start never waits on a huge file and memory does not grow with it. A file
    // that is there but cannot be read (no permission, an I/O error, not a regular file)
    // gives the default table too, is reported once on standard error, and is never written
    // by this table. Temporary files that killed saves left beside the file are removed.
    void load();

    // Adds the entries this table was given since its last save to the scores in the file as
    // it is now (another copy of the game may have saved meanwhile), keeps the best
    // maxScores in the usual order, replaces the file as a whole and shows that result. The
    // file is read and replaced only under its lock (FileLock), so two games saving at once
    // take turns; when the lock cannot be had within lockWait, nothing is written, the
    // entries are kept for the next save and that is said once on standard error. Any other
    // failed save is reported on standard error in one line; it, or a crash during a save,
    // leaves the old file as it was (or, where the file is written in place, reading as the
    // old table or the new one), and the entries wait for the next save. Nothing is written
    // when no entry was added since the last save (true), nor into a file that could not be
    // read at load (false).
    bool save();

    // The last save of the run: save, and when the entries of this run cannot be saved, one
    // more line on standard error says which scores were not saved.
    bool saveAtExit();

    // Adds a copy of the entry (its name is printed), then sorts and trims, so the entry only
    // stays if it beats the lowest kept score or the table has room. The entry is also kept
    // for the next save, which offers it to the file whether or not it stayed here.
    void addPlayer(const THiScore& entry);
    void addPlayer(const std::shared_ptr<THiScore>& entry);

    // The link of the best entry, or nullptr when the table is empty; step on with nextLink.
    TList<THiScore>::Link* firstLink() const;

    // Stable sort by descending score, then drops the entries beyond maxScores.
    void sortAndTrim();

    // A dump of the table, one CR LF ended line per field and per entry.
    std::string toString() const;

    // The most records load reads from the start of a file (1.2 MB).
    static constexpr std::size_t kMaxFileRecords = 100000;

    // How long a save waits for another copy's save to end before it keeps its entries for
    // later (tests shorten it).
    std::chrono::milliseconds lockWait{5000};

  private:
    std::shared_ptr<TList<THiScore>> defaultScores(bool printNames) const;
    std::shared_ptr<TList<THiScore>> bestOf(const std::string& bytes) const;
    void trim(TList<THiScore>& list) const;

    std::vector<THiScore> added_;  // entries given since the last save, in the order given
    bool keepFile_ = false;        // the file could not be read: never write it
    bool saidBusy_ = false;        // a save found the file locked and said so
};

}  // namespace gb
