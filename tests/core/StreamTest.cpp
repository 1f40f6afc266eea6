#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/EmbeddedFiles.h"
#include "core/TStream.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

class StreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("gumbolt-stream-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(StreamTest, IntsAndStringsRoundTripLittleEndian) {
    StreamRef out = writeStream(path("f.bin"));
    ASSERT_TRUE(out);
    writeString(out, "Ann     ");
    writeInt(out, -2);
    writeInt(out, 0x01020304);
    closeStream(out);

    std::ifstream raw(path("f.bin"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(raw)), {});
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(bytes.substr(0, 8), "Ann     ");
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]), 0xFE);
    EXPECT_EQ(static_cast<unsigned char>(bytes[11]), 0xFF);
    EXPECT_EQ(bytes[12], 4);
    EXPECT_EQ(bytes[15], 1);

    StreamRef in = readStream(path("f.bin"));
    ASSERT_TRUE(in);
    EXPECT_EQ(readString(in, 8), "Ann     ");
    EXPECT_EQ(readInt(in), -2);
    EXPECT_FALSE(eof(in));
    EXPECT_EQ(readInt(in), 0x01020304);
    EXPECT_TRUE(eof(in));
}

TEST_F(StreamTest, ReadsAtTheEndStopQuietlyAndLeaveZeros) {
    {
        std::ofstream raw(path("short.bin"), std::ios::binary);
        raw << "abcde" << '\x07';
    }
    StreamRef in = readStream(path("short.bin"));
    ASSERT_TRUE(in);
    const std::string name = readString(in, 5);
    EXPECT_EQ(name, "abcde");
    EXPECT_EQ(readInt(in), 7);  // one byte present: the low-order one
    EXPECT_TRUE(eof(in));
    EXPECT_EQ(readInt(in), 0);
    EXPECT_EQ(readString(in, 8), std::string(8, '\0'));
}

TEST_F(StreamTest, MissingFilesAndDirectoriesDoNotOpen) {
    EXPECT_FALSE(readStream(path("missing.bin")));
    fs::create_directory(dir / "adir");
    EXPECT_FALSE(readStream(path("adir")));
    EXPECT_FALSE(writeStream(path("adir")));
    EXPECT_FALSE(writeStream((dir / "no" / "such" / "dir.bin").string()));
}

TEST_F(StreamTest, IncbinPathsReadRegisteredBytes) {
    static const unsigned char bytes[] = {1, 0, 0, 0, 'h', 'i'};
    registerEmbeddedFile("test/stream.bin", bytes, sizeof bytes);
    StreamRef in = readStream("incbin::test/stream.bin");
    ASSERT_TRUE(in);
    EXPECT_EQ(readInt(in), 1);
    EXPECT_EQ(readString(in, 2), "hi");
    EXPECT_TRUE(eof(in));
    EXPECT_FALSE(readStream("incbin::test/unknown.bin"));
    EXPECT_FALSE(writeStream("incbin::test/stream.bin"));
}

TEST_F(StreamTest, NullStreamIsAProgramFault) {
    GUMBOLT_EXPECT_EXIT(eof(nullptr), ::testing::ExitedWithCode(255),
                        "Attempt to access field or method of Null object");
}

// A read that the system refuses before the end of the file is a broken stream, not an early
// end: the program stops with the stream's error. Here the descriptor under an open stream is
// swapped for one that may only write, so the next read fails as a failing disk would.
TEST_F(StreamTest, AFailingReadIsReportedAsABrokenStream) {
    const std::string file = path("scores.bin");
    std::ofstream(file, std::ios::binary) << std::string(12, 'x');
    GUMBOLT_EXPECT_EXIT(
        {
            StreamRef in = readStream(file);
            for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
                std::error_code error;
                if (fs::read_symlink(entry.path(), error) == fs::path(file)) {
                    const int writeOnly = ::open(file.c_str(), O_WRONLY);
                    ::dup2(writeOnly, std::stoi(entry.path().filename().string()));
                }
            }
            readInt(in);
        },
        ::testing::ExitedWithCode(255), "Error reading from stream");
    // Reading from a stream opened for writing is the same fault.
    GUMBOLT_EXPECT_EXIT(readInt(writeStream(path("out.bin"))), ::testing::ExitedWithCode(255),
                        "Error reading from stream");
}

}  // namespace
}  // namespace gb
