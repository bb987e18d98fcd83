// The host side of the VST 2.4 interface: the one callback every hosted instance is
// handed, how a call finds the host that created its instance, and the time
// information a host reports.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "host/vst/vst2_abi.h"
#include "hosting/thread_tag.h"
#include "hosting/time_record.h"

namespace hosting {

using EntryFunction = AEffect*(VSTCALLBACK*)(audioMasterCallback);

inline constexpr VstIntPtr kHostVersion = 2400;
// Answers to audioMasterGetCurrentProcessLevel.
inline constexpr VstInt32 kProcessLevelUser = 1;
inline constexpr VstInt32 kProcessLevelOffline = 4;

// The transport a host reports: the position counts the frames processed since the
// last restart at the instance's sample rate. With a tempo it is also musical time in
// 4/4, playing; without one it carries only position and rate.
class Clock {
 public:
  Clock();
  void setSampleRate(double rate) { rate_ = rate; }
  void setBlockSize(std::int32_t frames) { blockSize_ = frames; }
  void setTempo(double beatsPerMinute) { tempo_ = beatsPerMinute; }
  double sampleRate() const { return rate_; }
  std::int32_t blockSize() const { return blockSize_; }

  // Back to position zero; the next block reports a transport change.
  void restart();
  // Fills the record for the block about to be processed.
  void beginBlock();
  void advance(std::int32_t frames);
  const VstTimeInfo* info() const { return &time_; }

 private:
  double rate_ = 44100.0;
  double tempo_ = 0.0;
  std::int32_t blockSize_ = 512;
  std::int64_t position_ = 0;
  bool changed_ = true;
  VstTimeInfo time_{};
};

// Answers the calls of the instances it created as a plain host does: version 2400,
// the clock's time information, its rate, block size and process level, 0 to anything
// else. A test or a fuzzer sets other answers, or overrides answer() to observe the
// calls. A call finds its host through the host field of the instance's record, which
// create() marks: no lock, no allocation, no search, from any thread.
class Host {
 public:
  // A host that overrides answer() and wants to see the time queries too says so: they
  // are otherwise answered before answer() is reached, as one of the shared callback's
  // branches.
  enum class TimeQueries { answeredDirectly, passedToAnswer };
  explicit Host(TimeQueries timeQueries = TimeQueries::answeredDirectly)
      : directOpcode_(timeQueries == TimeQueries::answeredDirectly ? audioMasterGetTime : -1) {}
  virtual ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Calls `entry` with the shared callback; the new instance's calls come here.
  AEffect* create(EntryFunction entry);

  // One call of an instance, with the callback's arguments as received.
  virtual VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  // The answer to audioMasterVersion (0 makes a conforming plug-in refuse to load).
  void setVersionAnswer(VstIntPtr answer) { versionAnswer_.store(answer); }
  // What audioMasterGetTime hands out instead of the clock's record: one the caller
  // keeps alive and fills before each block (an edition, from its own host's
  // transport), or null. The clock then stands still. Either record goes only to the
  // thread running a block (BlockOnThisThread); a query from any other thread gets none.
  void setTimeInfo(const VstTimeInfo* info) { timeInfo_.store(info, std::memory_order_release); }
  // True while the time answers come from the clock, which then runs with the blocks.
  bool answersFromClock() const { return timeInfo_.load(std::memory_order_relaxed) == clock_.info(); }

  // The answer to audioMasterGetTime: the record, to the thread running a block alone.
  VstIntPtr timeAnswer() const {
    return blockThread_.load(std::memory_order_relaxed) == thisThreadTag()
               ? reinterpret_cast<VstIntPtr>(timeInfo_.load(std::memory_order_acquire))
               : 0;
  }
  // audioMasterGetTime when time queries are answered directly, else no opcode: one
  // comparison in the shared callback tells them.
  VstInt32 directOpcode() const { return directOpcode_; }

  Clock& clock() { return clock_; }
  void setProcessLevel(VstInt32 level) { processLevel_.store(level); }

  static audioMasterCallback callback();
  // Calls that reached the callback from an instance no host created.
  static std::size_t strayCallCount();

 private:
  Clock clock_;
  std::atomic<VstInt32> processLevel_{kProcessLevelUser};
  std::atomic<VstIntPtr> versionAnswer_{kHostVersion};
  // The time answer: one load per query, whoever fills the record.
  std::atomic<const VstTimeInfo*> timeInfo_{clock_.info()};
  // The thread running a block (thisThreadTag), 0 between blocks: the one thread shown
  // the record. Held here, not in thread-local storage, so a query costs two loads.
  mutable std::atomic<std::uintptr_t> blockThread_{0};
  const VstInt32 directOpcode_;
  friend class BlockOnThisThread;
};

// While it lives, the calling thread runs a block of `host`'s instances. The time record
// is written for each block on the block's thread, so it is handed to that thread alone:
// a time query from any other thread (a state load on the main thread while audio
// runs) gets no record, as from a host without time, and never reads one being written.
class BlockOnThisThread {
 public:
  explicit BlockOnThisThread(const Host& host)
      : host_(host), outer_(host.blockThread_.load(std::memory_order_relaxed)) {
    host.blockThread_.store(thisThreadTag(), std::memory_order_relaxed);
  }
  ~BlockOnThisThread() { host_.blockThread_.store(outer_, std::memory_order_relaxed); }
  BlockOnThisThread(const BlockOnThisThread&) = delete;
  BlockOnThisThread& operator=(const BlockOnThisThread&) = delete;

 private:
  const Host& host_;
  std::uintptr_t outer_;  // a block of the same host this one runs inside, if any
};

}  // namespace hosting
