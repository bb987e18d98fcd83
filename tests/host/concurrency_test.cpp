// A mode switch from another thread while a long block is being processed: the output
// changes from the stereo to the mono result at one frame and is never anything else.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/host/host_fixture.h"

namespace {

constexpr VstInt32 kLongBlock = 1 << 20;
constexpr int kAttempts = 60;

// Frame j: left 1 ... 4096, right 0.25; mono gives their mean, which equals neither.
template <class Sample>
StereoBlock<Sample> distinctChannels() {
  std::vector<Sample> left(kLongBlock), right(kLongBlock, Sample(0.25));
  for (VstInt32 j = 0; j < kLongBlock; ++j) left[static_cast<std::size_t>(j)] = Sample(j % 4096 + 1);
  return StereoBlock<Sample>(std::move(left), std::move(right));
}

// One-shot release of the switching thread, fired by the host callback.
class Gate {
 public:
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_one();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

template <class Sample>
class ModeSwitch : public StartedPlugin {
 protected:
  // Runs one long block with a switch to mono released from the block's first time
  // query; answers the first mono frame, or -1 when the output is not a clean switch.
  VstInt32 switchDuringBlock(StereoBlock<Sample>& block) {
    setMono(false);
    Gate gate;
    std::thread switcher([&] {
      gate.wait();
      plugin.setParameter(kModeParameter, 1.0f);
    });
    bool released = false;  // touched only by the processing thread
    host.setHook([&](const HostCall& call) {
      if (call.opcode == audioMasterGetTime && !released) {
        released = true;
        gate.open();
      }
    });
    block.run(plugin);
    switcher.join();
    host.setHook(nullptr);
    return firstMonoFrame(block);
  }

  static VstInt32 firstMonoFrame(const StereoBlock<Sample>& block) {
    VstInt32 j = 0;
    auto at = [](const std::vector<Sample>& v, VstInt32 i) { return v[static_cast<std::size_t>(i)]; };
    while (j < kLongBlock && at(block.out[0], j) == at(block.in[0], j) && at(block.out[1], j) == at(block.in[1], j))
      ++j;
    const VstInt32 switchedAt = j;
    for (; j < kLongBlock; ++j) {
      const Sample mean = (at(block.in[0], j) + at(block.in[1], j)) * Sample(0.5);
      if (at(block.out[0], j) != mean || at(block.out[1], j) != mean) {
        ADD_FAILURE() << "frame " << j << " is neither stereo nor mono after a switch at " << switchedAt << ": "
                      << at(block.out[0], j) << ", " << at(block.out[1], j);
        return -1;
      }
    }
    return switchedAt;
  }
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(ModeSwitch, SampleTypes);

// How soon the other thread runs is up to the scheduler, so a switch may land before
// the first frame or after the last; every attempt must be clean, and some attempt
// must land inside the block.
TYPED_TEST(ModeSwitch, TakesEffectAtOneFrame) {
  StereoBlock<TypeParam> block = distinctChannels<TypeParam>();
  int insideBlock = 0;
  for (int attempt = 0; attempt < kAttempts && insideBlock < 2; ++attempt) {
    const VstInt32 switchedAt = this->switchDuringBlock(block);
    ASSERT_GE(switchedAt, 0) << "attempt " << attempt;
    if (switchedAt > 0 && switchedAt < kLongBlock) ++insideBlock;
    EXPECT_EQ(this->plugin.getParameter(kModeParameter), 1.0f);
  }
  EXPECT_GT(insideBlock, 0) << "no switch landed inside a block in " << kAttempts << " attempts";
}

}  // namespace
