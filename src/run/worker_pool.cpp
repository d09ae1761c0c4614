// The run's worker threads.
#include "run/worker_pool.h"

#include <algorithm>
#include <chrono>

namespace kavrel {

int ThreadsFor(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

WorkerPool::WorkerPool(int threads) : threads_(threads) {
  for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void WorkerPool::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !loans_.empty() || next_ < count_; });
    if (stop_) return;
    if (!loans_.empty()) {
      Loan loan = std::move(loans_.front());
      loans_.pop_front();
      lock.unlock();
      loan.job(loan.index);
      lock.lock();
      --lent_;
      continue;
    }
    const int k = next_++;
    ++running_;
    const std::function<void(int)>& piece = *piece_;
    lock.unlock();
    std::exception_ptr error;
    if (!cancel_.load()) {
      try {
        piece(k);
      } catch (...) {
        error = std::current_exception();
      }
    }
    lock.lock();
    outcome_[static_cast<std::size_t>(k)] = error;
    --running_;
    if (next_ >= count_ && running_ == 0) done_.notify_all();
  }
}

int WorkerPool::SpareLocked() const {
  const int pending = count_ > next_ ? count_ - next_ : 0;
  return std::max(0, threads_ - 1 - running_ - pending - lent_);
}

int WorkerPool::Spare() {
  std::lock_guard<std::mutex> lock(mutex_);
  return SpareLocked();
}

int WorkerPool::Lend(int wanted, const std::function<void(int)>& job) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int n = std::min(wanted, SpareLocked());
  for (int k = 1; k <= n; ++k) loans_.push_back(Loan{job, k});
  lent_ += n;
  if (n > 0) wake_.notify_all();
  return n;
}

std::vector<std::exception_ptr> WorkerPool::Run(int count, const std::function<void(int)>& piece,
                                                const std::function<void()>& wait,
                                                bool callerTakesFirst) {
  std::unique_lock<std::mutex> lock(mutex_);
  cancel_.store(false);
  piece_ = &piece;
  outcome_.assign(static_cast<std::size_t>(count), nullptr);
  const bool first = callerTakesFirst && count > 0;
  next_ = first ? 1 : 0;
  count_ = count;
  wake_.notify_all();
  if (first) {
    lock.unlock();
    std::exception_ptr error;
    try {
      piece(0);
    } catch (...) {
      error = std::current_exception();
      cancel_.store(true);
    }
    lock.lock();
    outcome_[0] = error;
    if (error) next_ = count_;  // the pieces not started are skipped
  }
  std::exception_ptr waitError;
  while (next_ < count_ || running_ > 0) {
    done_.wait_for(lock, std::chrono::milliseconds(100));
    if (waitError || (next_ >= count_ && running_ == 0)) continue;
    lock.unlock();
    try {
      wait();
    } catch (...) {
      waitError = std::current_exception();
      cancel_.store(true);
    }
    lock.lock();
    if (waitError) next_ = count_;  // the pieces not started are skipped
  }
  count_ = 0;
  piece_ = nullptr;
  std::vector<std::exception_ptr> outcome = std::move(outcome_);
  lock.unlock();
  if (waitError) std::rethrow_exception(waitError);
  return outcome;
}

}  // namespace kavrel
