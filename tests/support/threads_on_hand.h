// A thread lender for tests of work split over borrowed threads: it lends
// fresh threads, joined when the lender goes, and can claim more spare
// threads than it then hands out (another borrower took one in between).
#pragma once

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "core/thread_lender.h"

namespace kavrel::testing_support {

// `spare` is what it claims to have, `gives` what Lend then hands out.
class ThreadsOnHand : public ThreadLender {
 public:
  ThreadsOnHand(int spare, int gives) : spare_(spare), gives_(gives) {}
  ~ThreadsOnHand() override {
    for (std::thread& t : threads_) t.join();
  }
  int Spare() override { return spare_; }
  int Lend(int wanted, const std::function<void(int)>& job) override {
    const int n = std::min(wanted, gives_);
    for (int k = 1; k <= n; ++k) threads_.emplace_back([job, k] { job(k); });
    ++lends_;
    return n;
  }
  int lends_ = 0;

 private:
  int spare_, gives_;
  std::vector<std::thread> threads_;
};

}  // namespace kavrel::testing_support
