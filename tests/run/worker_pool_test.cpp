// The pool lends only workers of the run's own thread budget: of N threads
// one is the caller's, so a solve never borrows a thread that a seam of the
// same pass is using, and the machine is never oversubscribed by the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "run/worker_pool.h"

namespace kavrel {
namespace {

void WaitUntil(const std::atomic<bool>& flag) {
  while (!flag.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(WorkerPool, LendsOnlyTheWorkersThatNoPieceUses) {
  WorkerPool pool(2);
  EXPECT_EQ(pool.Spare(), 1);  // one of the two threads is the caller's

  std::atomic<bool> secondStarted{false}, secondMayEnd{false}, lentRan{false};
  int spareWhileBothRun = -1, lentWhileBothRun = -1, lentAfter = -1;
  const auto outcome = pool.Run(
      2,
      [&](int piece) {
        if (piece == 1) {  // a worker's seam, still solving
          secondStarted.store(true);
          WaitUntil(secondMayEnd);
          return;
        }
        WaitUntil(secondStarted);  // the caller's seam
        spareWhileBothRun = pool.Spare();
        lentWhileBothRun = pool.Lend(1, [](int) {});
        secondMayEnd.store(true);
        while (pool.Spare() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lentAfter = pool.Lend(5, [&](int band) { lentRan.store(band == 1); });
        WaitUntil(lentRan);
      },
      [] {}, true);
  ASSERT_EQ(outcome.size(), 2u);
  EXPECT_FALSE(outcome[0] || outcome[1]);
  EXPECT_EQ(spareWhileBothRun, 0);
  EXPECT_EQ(lentWhileBothRun, 0);
  EXPECT_EQ(lentAfter, 1);  // the worker whose seam ended, and no more
  EXPECT_TRUE(lentRan.load());
}

}  // namespace
}  // namespace kavrel
