// Threads a piece of numerical work may borrow while it runs: the run's
// worker pool lends its idle workers, so that a seam solve (row bands) or an
// influence sum (column ranges) that runs alone can use every core. Who
// borrows decides how to split its work so that the result does not depend
// on how many threads it got.
#pragma once

#include <functional>

namespace kavrel {

// Lends idle threads (the run's worker pool; tests lend fresh threads).
class ThreadLender {
 public:
  virtual ~ThreadLender() = default;
  // Starts job(1) .. job(n) at once, each on a thread of its own that is idle
  // now, for the largest n <= wanted the lender can spare, and returns n. The
  // lender keeps its own copy of `job`; a job must not throw.
  [[nodiscard]] virtual int Lend(int wanted, const std::function<void(int)>& job) = 0;
  // Threads idle now (a hint: another solve may take them first).
  [[nodiscard]] virtual int Spare() = 0;
};

}  // namespace kavrel
