#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace gb {

// A binary stream over a file or over an embedded file's bytes.
// Reads that meet the end stop quietly and leave the rest of the buffer untouched (zero);
// a read or write that the system reports as failed is a program fault.
class TStream {
  public:
    ~TStream();
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Opens for reading: a regular file, or with the "incbin::" prefix an embedded file.
    // nullptr when it cannot be opened (missing, a directory, an unknown embedded path).
    [[nodiscard]] static std::shared_ptr<TStream> openRead(const std::string& path);
    // Creates or truncates a file for writing; nullptr when that fails.
    [[nodiscard]] static std::shared_ptr<TStream> openWrite(const std::string& path);

    // True when the read position has reached the end.
    bool atEnd() const;
    // Reads up to n bytes; returns how many were read.
    std::size_t read(void* buffer, std::size_t n);
    void write(const void* data, std::size_t n);
    // 4 bytes, little-endian, two's complement; 0 for missing bytes.
    std::int32_t readInt();
    void writeInt(std::int32_t value);
    // n bytes, each becoming the character with that code (0 for missing bytes).
    std::string readString(int n);
    // One byte per character (its low 8 bits); no length, no terminator.
    void writeString(std::string_view text);
    // Flushes and closes; later reads return nothing.
    void close();

    std::uint64_t position() const { return position_; }
    std::uint64_t size() const { return size_; }

  private:
    TStream() = default;

    std::FILE* file_ = nullptr;
    const unsigned char* memory_ = nullptr;
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
    bool writing_ = false;
};

using StreamRef = std::shared_ptr<TStream>;

// The stream services under their usual names; a null stream is a program fault.
[[nodiscard]] StreamRef readStream(const std::string& path);
[[nodiscard]] StreamRef writeStream(const std::string& path);
bool eof(const StreamRef& stream);
std::int32_t readInt(const StreamRef& stream);
void writeInt(const StreamRef& stream, std::int32_t value);
std::string readString(const StreamRef& stream, int n);
void writeString(const StreamRef& stream, std::string_view text);
void closeStream(const StreamRef& stream);

}  // namespace gb
