// Holds threads until a set number have arrived, then lets all of them through.
//
// Waiting threads spin on a counter and yield: std::latch, std::barrier and
// atomic::wait sleep through the Windows toolchain's atomic-wait fallback, which can
// miss a wake-up and leave a thread asleep for good. A spin always sees the last arrival.
#pragma once

#include <atomic>
#include <thread>

class StartGate {
 public:
  explicit StartGate(int arrivals) : missing_(arrivals) {}

  void arrive() { missing_.fetch_sub(1, std::memory_order_acq_rel); }
  void waitOpen() const {
    while (missing_.load(std::memory_order_acquire) > 0) std::this_thread::yield();
  }
  void arriveAndWait() {
    arrive();
    waitOpen();
  }

 private:
  StartGate(const StartGate&) = delete;
  StartGate& operator=(const StartGate&) = delete;
  std::atomic<int> missing_;
};
