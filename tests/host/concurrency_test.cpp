// A mode switch from another thread while a long block is being processed: within
// that block the output is the old mode's up to some frame and the new mode's from
// there on (at most one switch, never another value), and the next block is wholly
// in the new mode.
#include <thread>
#include <vector>

#include "tests/host/host_fixture.h"
#include "tests/support/start_gate.h"

namespace {

constexpr VstInt32 kLongBlock = 1 << 16;
constexpr int kAttempts = 8;

// Frame j: left 1 ... 4096, right 0.25; mono gives their mean, which equals neither.
template <class Sample>
StereoBlock<Sample> distinctChannels() {
  std::vector<Sample> left(kLongBlock), right(kLongBlock, Sample(0.25));
  for (VstInt32 j = 0; j < kLongBlock; ++j) left[static_cast<std::size_t>(j)] = Sample(j % 4096 + 1);
  return StereoBlock<Sample>(std::move(left), std::move(right));
}

template <class Sample>
class ModeSwitch : public StartedPlugin {
 protected:
  // Runs one long block with a switch from `fromMono` to the other mode released from
  // the block's first time query, then one more block; answers the first frame of the
  // long block in the new mode (kLongBlock if none), or -1 when either block is wrong.
  VstInt32 switchDuringBlock(StereoBlock<Sample>& block, bool fromMono) {
    setMono(fromMono);
    StartGate gate(1);  // opened by the block's first time query
    std::thread switcher([&] {
      gate.waitOpen();
      plugin.setParameter(kModeParameter, fromMono ? 0.0f : 1.0f);
    });
    bool released = false;  // touched only by the processing thread
    host.setHook([&](const HostCall& call) {
      if (call.opcode == audioMasterGetTime && !released) {
        released = true;
        gate.arrive();
      }
    });
    block.run(plugin);
    switcher.join();
    host.setHook(nullptr);
    const VstInt32 switchedAt = firstNewFrame(block, fromMono);
    block.run(plugin);
    if (switchedAt >= 0 && firstNewFrame(block, fromMono) != 0) {
      ADD_FAILURE() << "the block after the switch is not wholly in the new mode";
      return -1;
    }
    return switchedAt;
  }

  static VstInt32 firstNewFrame(const StereoBlock<Sample>& block, bool fromMono) {
    auto at = [](const std::vector<Sample>& v, VstInt32 i) { return v[static_cast<std::size_t>(i)]; };
    auto isMono = [&](VstInt32 j) {
      const Sample mean = (at(block.in[0], j) + at(block.in[1], j)) * Sample(0.5);
      return at(block.out[0], j) == mean && at(block.out[1], j) == mean;
    };
    auto isStereo = [&](VstInt32 j) {
      return at(block.out[0], j) == at(block.in[0], j) && at(block.out[1], j) == at(block.in[1], j);
    };
    VstInt32 j = 0;
    while (j < kLongBlock && (fromMono ? isMono(j) : isStereo(j))) ++j;
    const VstInt32 switchedAt = j;
    for (; j < kLongBlock; ++j) {
      if (!(fromMono ? isStereo(j) : isMono(j))) {
        ADD_FAILURE() << "frame " << j << " is not in the new mode after a switch at " << switchedAt << ": "
                      << at(block.out[0], j) << ", " << at(block.out[1], j);
        return -1;
      }
    }
    return switchedAt;
  }
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(ModeSwitch, SampleTypes);

// How soon the other thread runs is up to the scheduler, so the switch may land
// anywhere in the long block, before its first frame or after its last; every attempt
// must be one clean switch at most, and the next block wholly switched.
TYPED_TEST(ModeSwitch, SwitchesOnceWithinTheBlockAndFullyByTheNext) {
  StereoBlock<TypeParam> block = distinctChannels<TypeParam>();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const bool fromMono = attempt % 2 == 1;
    ASSERT_GE(this->switchDuringBlock(block, fromMono), 0) << "attempt " << attempt;
    EXPECT_EQ(this->plugin.getParameter(kModeParameter), fromMono ? 0.0f : 1.0f);
  }
}

}  // namespace
