#pragma once

#include <gtest/gtest.h>

// WebAssembly runs one process, without fork or signals: a test that needs another process
// (a death test, a second copy of the game, a save killed half way) skips there, and runs
// everywhere else.
#define GUMBOLT_NO_PROCESSES "needs processes, which WebAssembly lacks"
#ifdef __EMSCRIPTEN__
#define GUMBOLT_SKIP_WITHOUT_PROCESSES() GTEST_SKIP() << GUMBOLT_NO_PROCESSES
#else
#define GUMBOLT_SKIP_WITHOUT_PROCESSES() static_cast<void>(0)
#endif

// EXPECT_EXIT where death tests can run; elsewhere the rest of the test is skipped.
#if GTEST_HAS_DEATH_TEST
#define GUMBOLT_EXPECT_EXIT(statement, predicate, regex) EXPECT_EXIT(statement, predicate, regex)
#else
#define GUMBOLT_EXPECT_EXIT(statement, predicate, regex) GTEST_SKIP() << GUMBOLT_NO_PROCESSES
#endif
