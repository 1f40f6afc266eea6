#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/TStream.h"

namespace gb {

// One high-score entry: a name and a score. In the file an entry is a 12-byte record: the
// name in 8 bytes (one byte per character, padded with spaces) and the score as a 32-bit
// little-endian int. A name read from the file is therefore always 8 characters long.
class THiScore {
  public:
    static constexpr int kNameLength = 8;
    static constexpr int kRecordSize = 12;

    std::string name;
    std::int32_t score = 0;

    // A new entry with score 0; the name is printed on the console.
    [[nodiscard]] static std::shared_ptr<THiScore> create(const std::string& name);
    // Reads one record (8 name bytes, then the score); prints nothing. Bytes missing at the end
    // of the stream count as zero.
    static std::shared_ptr<THiScore> readFrom(const StreamRef& stream);
    // The entry held by the first n bytes of a record (n at most 12); missing bytes count as
    // zero, as they do for readFrom at the end of a stream. Prints nothing.
    static std::shared_ptr<THiScore> fromRecord(const unsigned char* bytes, std::size_t n);
    // Just the score of such a record.
    static std::int32_t scoreOfRecord(const unsigned char* bytes, std::size_t n);

    // Brings the name to the record's 8 characters (padding with spaces, cutting a longer
    // name), keeps that form in the entry and writes the record.
    void writeTo(const StreamRef& stream);
    // The same record, appended to a byte buffer.
    void appendRecordTo(std::string& bytes);

    // A new entry made by create (so the name is printed) with this entry's score.
    std::shared_ptr<THiScore> copy() const;

    void setName(const std::string& newName);
    void addScore(int points);
    void resetScore();

    // The name, one space, the score in decimal.
    std::string toString() const;

    // Positive when this entry ranks above the other, negative when below, 0 on equal
    // scores; 1 when there is no other entry. The result is the difference of the scores,
    // held to the int range so that its sign is right for any two scores.
    int compare(const THiScore* other) const;

  private:
    void fitNameToRecord();
};

}  // namespace gb
