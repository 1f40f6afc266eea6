#include "hiscores/THiScore.h"

#include <algorithm>
#include <limits>

#include "core/Console.h"
#include "core/Text.h"

namespace gb {

std::shared_ptr<THiScore> THiScore::create(const std::string& name) {
    auto entry = std::make_shared<THiScore>();
    entry->setName(name);
    print(entry->name);
    return entry;
}

std::shared_ptr<THiScore> THiScore::readFrom(const StreamRef& stream) {
    auto entry = std::make_shared<THiScore>();
    entry->name = readString(stream, kNameLength);
    entry->score = readInt(stream);
    return entry;
}

std::int32_t THiScore::scoreOfRecord(const unsigned char* bytes, std::size_t n) {
    std::uint32_t value = 0;
    for (std::size_t i = kNameLength; i < n && i < kRecordSize; ++i) {
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * (i - kNameLength));
    }
    return static_cast<std::int32_t>(value);
}

std::shared_ptr<THiScore> THiScore::fromRecord(const unsigned char* bytes, std::size_t n) {
    auto entry = std::make_shared<THiScore>();
    entry->name.assign(reinterpret_cast<const char*>(bytes), std::min<std::size_t>(n, kNameLength));
    entry->name.resize(kNameLength, '\0');
    entry->score = scoreOfRecord(bytes, n);
    return entry;
}

void THiScore::fitNameToRecord() {
    name.resize(kNameLength, ' ');
}

void THiScore::writeTo(const StreamRef& stream) {
    fitNameToRecord();
    writeString(stream, name);
    writeInt(stream, score);
}

void THiScore::appendRecordTo(std::string& bytes) {
    fitNameToRecord();
    bytes += name;
    const auto v = static_cast<std::uint32_t>(score);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(v >> shift)));
    }
}

std::shared_ptr<THiScore> THiScore::copy() const {
    auto entry = create(name);
    entry->score = score;
    return entry;
}

void THiScore::setName(const std::string& newName) {
    name = newName;
}

void THiScore::addScore(int points) {
    // Wraps like the 32-bit arithmetic of the rest of the game instead of overflowing.
    score = static_cast<std::int32_t>(static_cast<std::uint32_t>(score) +
                                      static_cast<std::uint32_t>(points));
}

void THiScore::resetScore() {
    score = 0;
}

std::string THiScore::toString() const {
    return concatText(name, ' ', score);
}

int THiScore::compare(const THiScore* other) const {
    if (other == nullptr) {
        return 1;
    }
    const std::int64_t difference =
        static_cast<std::int64_t>(score) - static_cast<std::int64_t>(other->score);
    return static_cast<int>(std::clamp<std::int64_t>(difference, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace gb
