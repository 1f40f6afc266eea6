#pragma once

#include <gtest/gtest.h>

// The test programs also run as WebAssembly under node, where some of what a test needs is
// not there. Such a test skips there, saying why, and runs everywhere else.

// WebAssembly runs one process, without fork or signals: a death test, a second copy of the
// game or a save killed half way cannot run.
#define GUMBOLT_NO_PROCESSES "needs processes, which WebAssembly lacks"
#ifdef __EMSCRIPTEN__
#define GUMBOLT_SKIP_WITHOUT_PROCESSES() GTEST_SKIP() << GUMBOLT_NO_PROCESSES
// Skips where the browser's platform has no such thing (users, special files, sparse files)
// or where the page, not the game, does it.
#define GUMBOLT_SKIP_IN_BROWSER(why) GTEST_SKIP() << (why)
#else
#define GUMBOLT_SKIP_WITHOUT_PROCESSES() static_cast<void>(0)
#define GUMBOLT_SKIP_IN_BROWSER(why) static_cast<void>(0)
#endif

// EXPECT_EXIT where death tests can run; elsewhere the rest of the test is skipped.
#if GTEST_HAS_DEATH_TEST
#define GUMBOLT_EXPECT_EXIT(statement, predicate, regex) EXPECT_EXIT(statement, predicate, regex)
#else
#define GUMBOLT_EXPECT_EXIT(statement, predicate, regex) GTEST_SKIP() << GUMBOLT_NO_PROCESSES
#endif
