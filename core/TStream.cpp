#include "core/TStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "core/EmbeddedFiles.h"
#include "core/ProgramError.h"

namespace gb {

namespace {
constexpr std::string_view kReadError = "Error reading from stream";
constexpr std::string_view kWriteError = "Error writing to stream";

const StreamRef& checked(const StreamRef& stream) {
    if (!stream) {
        programError(kNullObjectError);
    }
    return stream;
}
}  // namespace

TStream::~TStream() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::shared_ptr<TStream> TStream::openRead(const std::string& path) {
    std::shared_ptr<TStream> stream(new TStream);
    if (path.starts_with(kIncbinPrefix)) {
        const std::string_view name = std::string_view(path).substr(kIncbinPrefix.size());
        const unsigned char* data = embeddedFileData(name);
        if (data == nullptr) {
            return nullptr;
        }
        stream->memory_ = data;
        stream->size_ = static_cast<std::uint64_t>(embeddedFileSize(name));
        return stream;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return nullptr;
    }
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    stream->file_ = file;
    stream->size_ = static_cast<std::uint64_t>(info.st_size);
    return stream;
}

std::shared_ptr<TStream> TStream::openWrite(const std::string& path) {
    if (path.starts_with(kIncbinPrefix)) {
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return nullptr;
    }
    std::shared_ptr<TStream> stream(new TStream);
    stream->file_ = file;
    stream->writing_ = true;
    return stream;
}

bool TStream::atEnd() const {
    return position_ >= size_;
}

std::size_t TStream::read(void* buffer, std::size_t n) {
    if (writing_) {
        programError(kReadError);
    }
    const std::uint64_t left = position_ < size_ ? size_ - position_ : 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(n, left));
    if (wanted == 0) {
        return 0;
    }
    std::size_t got = 0;
    if (memory_ != nullptr) {
        std::memcpy(buffer, memory_ + position_, wanted);
        got = wanted;
    } else if (file_ != nullptr) {
        got = std::fread(buffer, 1, wanted, file_);
        if (got < wanted && std::ferror(file_)) {
            programError(kReadError);
        }
    }
    position_ += got;
    return got;
}

void TStream::write(const void* data, std::size_t n) {
    if (!writing_ || file_ == nullptr) {
        programError(kWriteError);
    }
    if (std::fwrite(data, 1, n, file_) != n) {
        programError(kWriteError);
    }
    position_ += n;
    size_ = std::max(size_, position_);
}

std::int32_t TStream::readInt() {
    unsigned char bytes[4] = {0, 0, 0, 0};
    read(bytes, sizeof bytes);
    const std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void TStream::writeInt(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    write(bytes, sizeof bytes);
}

std::string TStream::readString(int n) {
    std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
    read(text.data(), text.size());
    return text;
}

void TStream::writeString(std::string_view text) {
    write(text.data(), text.size());
}

void TStream::close() {
    if (file_ != nullptr) {
        const bool failed = std::fclose(file_) != 0;
        file_ = nullptr;
        if (failed && writing_) {
            programError(kWriteError);
        }
    }
    memory_ = nullptr;
    size_ = position_;
}

StreamRef readStream(const std::string& path) {
    return TStream::openRead(path);
}
StreamRef writeStream(const std::string& path) {
    return TStream::openWrite(path);
}
bool eof(const StreamRef& stream) {
    return checked(stream)->atEnd();
}
std::int32_t readInt(const StreamRef& stream) {
    return checked(stream)->readInt();
}
void writeInt(const StreamRef& stream, std::int32_t value) {
    checked(stream)->writeInt(value);
}
std::string readString(const StreamRef& stream, int n) {
    return checked(stream)->readString(n);
}
void writeString(const StreamRef& stream, std::string_view text) {
    checked(stream)->writeString(text);
}
void closeStream(const StreamRef& stream) {
    checked(stream)->close();
}

}  // namespace gb
