// A small fixed pool of worker threads for the independent pieces of a run
// (the seams of one SOR pass, the target seams of a coupling computation).
// The run's own thread hands out a batch, then waits and keeps reporting
// (so the window stays live and a Ctrl-C is seen) until every piece is done.
// Nothing here decides an order of results: each piece writes only its own
// arrays and records its reports, and the caller takes the outcomes in the
// one-thread order afterwards.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/thread_lender.h"

namespace kavrel {

// The pool also lends its idle workers to a seam solve for row bands: of its
// `threads`, one is taken to be the calling thread's (it runs a piece or a
// solve itself), so at most threads - 1 workers are busy at any time.
class WorkerPool : public ThreadLender {
 public:
  explicit WorkerPool(int threads);
  ~WorkerPool() override;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Runs piece(0) .. piece(count - 1) and returns when all have ended, with
  // the exception each piece ended with (null when it finished). With
  // `callerTakesFirst` the calling thread runs piece(0) itself while the
  // workers take the others; a piece(0) that fails raises `cancel` and skips
  // the pieces not yet started. `wait` is called on the calling thread about
  // ten times a second while it waits; when it throws, the pool raises
  // `cancel`, lets the running pieces end (they are expected to poll it),
  // skips the others and rethrows.
  [[nodiscard]] std::vector<std::exception_ptr> Run(int count,
                                                    const std::function<void(int)>& piece,
                                                    const std::function<void()>& wait,
                                                    bool callerTakesFirst = false);

  [[nodiscard]] int Lend(int wanted, const std::function<void(int)>& job) override;
  [[nodiscard]] int Spare() override;

  // Raised while a batch is being abandoned; pieces poll it.
  const std::atomic<bool>& Cancel() const { return cancel_; }

 private:
  void Work();
  int SpareLocked() const;

  struct Loan {
    std::function<void(int)> job;
    int index;
  };

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(int)>* piece_ = nullptr;
  int next_ = 0, count_ = 0, running_ = 0;
  const int threads_;
  std::deque<Loan> loans_;
  int lent_ = 0;  // loans waiting or running
  bool stop_ = false;
  std::atomic<bool> cancel_{false};
  std::vector<std::exception_ptr> outcome_;
};

// The threads a run uses for a requested count: 0 takes every core.
int ThreadsFor(int requested);

}  // namespace kavrel
