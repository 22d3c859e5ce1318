// Batches of songs taken up on another thread while the thread that carries changes out works
// through the batches before: opening, reading and planning the next batch costs about as much as
// carrying out the last one, and the two need not wait for each other.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace tagwright {

// One thread (the preparer) makes batches and hands them over one at a time; the thread that
// created this (the carrier) takes them in order. A batch handed over waits until it is taken, so
// the preparer is never more than one batch ahead. The preparer may also hand a batch over and wait
// until the carrier says it is settled: before it waits for something the carrier may hold, or asks
// what only the carrier may ask. Once the carrier stops, no batch is handed over any more (one
// handed over before may still be taken), and the preparer should end soon: Stopped() tells it.
template <typename TBatch>
class TBatchesAhead {
 public:
  enum class THand : bool { Next, AndWaitUntilSettled };
  struct TTaken {
    TBatch Batch;
    bool Settle = false;  // the preparer waits for Settled()
  };

  // Runs prepare on another thread; the object lives until this one is destroyed.
  explicit TBatchesAhead(std::function<void(TBatchesAhead&)> prepare)
      : preparer_([this, prepare = std::move(prepare)] { Prepare(prepare); }) {}
  TBatchesAhead(const TBatchesAhead&) = delete;
  TBatchesAhead& operator=(const TBatchesAhead&) = delete;
  ~TBatchesAhead() {
    Stop();
    preparer_.join();
  }

  // For the preparer: hands a batch over, and waits until it is taken (or settled); false once the
  // carrier stopped.
  bool Hand(TBatch batch, THand how) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopped_) return false;  // the slot is empty: the batch handed over before was taken
    slot_.emplace(TTaken{std::move(batch), how == THand::AndWaitUntilSettled});
    settled_ = false;
    changed_.notify_all();
    changed_.wait(lock, [this, how] { return stopped_ || (how == THand::Next ? !slot_ : settled_); });
    return !stopped_;
  }

  // For the preparer: whether to end.
  bool Stopped() const { return stopped_.load(); }

  // For the carrier: the next batch, or none once the preparer has ended. While it waits, it asks
  // stop every little while whether to stop, and stops when it says so.
  std::optional<TTaken> Take(const std::function<bool()>& stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!slot_ && !ended_) {
      if (!stopped_ && stop) {
        lock.unlock();
        const bool asked = stop();
        lock.lock();
        if (asked) Stop(lock);
      }
      if (!slot_ && !ended_) changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    if (!slot_) {
      if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
      return std::nullopt;
    }
    std::optional<TTaken> taken = std::move(slot_);
    slot_.reset();
    changed_.notify_all();
    return taken;
  }

  // For the carrier: a batch taken with Settle is settled; the preparer goes on.
  void Settled() {
    const std::lock_guard<std::mutex> lock(mutex_);
    settled_ = true;
    changed_.notify_all();
  }

  // For the carrier: no batch is taken any more; the preparer ends at its next look.
  void Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    Stop(lock);
  }

 private:
  void Stop(const std::unique_lock<std::mutex>& /*held*/) {
    stopped_ = true;
    changed_.notify_all();
  }

  void Prepare(const std::function<void(TBatchesAhead&)>& prepare) {
    std::exception_ptr failure;
    try {
      prepare(*this);
    } catch (...) {
      failure = std::current_exception();
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    failure_ = failure;
    ended_ = true;
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<TTaken> slot_;
  bool settled_ = false;
  bool ended_ = false;
  std::atomic<bool> stopped_{false};
  std::exception_ptr failure_;
  std::thread preparer_;  // last: it starts once everything above is set up
};

}  // namespace tagwright
