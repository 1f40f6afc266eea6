#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Console.h"
#include "core/StandardStreams.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

// True when the descriptor is open on /dev/null.
[[maybe_unused]] bool onDevNull(int fd) {
    struct stat info {};
    struct stat null {};
    return ::fstat(fd, &info) == 0 && ::stat("/dev/null", &null) == 0 && S_ISCHR(info.st_mode) &&
           info.st_rdev == null.st_rdev;
}

// Each case runs in a child process: it closes the descriptors of the process it runs in.
TEST(StandardStreams, ClosedStandardDescriptorsAreTakenBeforeAnythingElseCanTakeThem) {
    for (int closed : {0b011, 0b110, 0b111, 0b100}) {
        GUMBOLT_EXPECT_EXIT(
            {
                for (int fd = 0; fd <= 2; ++fd) {
                    if ((closed & (1 << fd)) != 0) {
                        ::close(fd);
                    }
                }
                secureStandardStreams();
                // The next file opened, as the window system's connection would be, gets a
                // number above the standard ones.
                const int next = ::open("/dev/null", O_RDONLY);
                bool ok = next > 2;
                for (int fd = 0; fd <= 2; ++fd) {
                    ok = ok && ((closed & (1 << fd)) == 0 || onDevNull(fd));
                }
                print("a console line into /dev/null");
                ::_exit(ok ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << "closed descriptors " << closed;
    }
}

TEST(StandardStreams, ConsoleLinesIntoAPipeNobodyReadsDoNotEndTheProgram) {
    GUMBOLT_EXPECT_EXIT(
        {
            int ends[2];
            if (::pipe(ends) != 0) {
                ::_exit(2);
            }
            ::close(ends[0]);
            ::dup2(ends[1], 1);
            secureStandardStreams();
            for (int i = 0; i < 3; ++i) {
                print("a line nobody reads");
            }
            ::_exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace gb
