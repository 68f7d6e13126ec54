#include "app/companion_restarts.h"

#include <gtest/gtest.h>

namespace zelvane {
namespace {

constexpr std::uint64_t kWindow = CompanionRestarts::kWindowMs;

TEST(CompanionRestarts, AHostThatEndedOnPurposeIsNeverStartedAgain) {
    CompanionRestarts r;
    EXPECT_FALSE(r.restartAfterEnd(true, 1000));
    EXPECT_FALSE(r.restartAfterEnd(true, 1000 + 10 * kWindow));
    // Nor do those count against later restarts.
    for (int i = 0; i < CompanionRestarts::kMaxRestarts; ++i) EXPECT_TRUE(r.restartAfterEnd(false, 2000 + i)) << i;
}

TEST(CompanionRestarts, AHostThatKeepsDyingIsGivenUpAfterThreeRestartsWithinAMinute) {
    CompanionRestarts r;
    EXPECT_TRUE(r.restartAfterEnd(false, 0));
    EXPECT_TRUE(r.restartAfterEnd(false, 100));
    EXPECT_TRUE(r.restartAfterEnd(false, 200));
    EXPECT_FALSE(r.restartAfterEnd(false, 300));
    EXPECT_FALSE(r.restartAfterEnd(false, kWindow - 1));
}

TEST(CompanionRestarts, RestartsOlderThanAMinuteNoLongerCount) {
    CompanionRestarts r;
    EXPECT_TRUE(r.restartAfterEnd(false, 0));
    EXPECT_TRUE(r.restartAfterEnd(false, 30'000));
    EXPECT_TRUE(r.restartAfterEnd(false, 50'000));
    // The first has left the window; the other two still count.
    EXPECT_TRUE(r.restartAfterEnd(false, kWindow));
    EXPECT_FALSE(r.restartAfterEnd(false, kWindow + 1));
    // A host that lives long between deaths is always started again.
    CompanionRestarts sparse;
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(sparse.restartAfterEnd(false, i * kWindow)) << i;
}

}  // namespace
}  // namespace zelvane
