// Instances created and closed the way plug-in validators do it: a thousand times,
// through every export, closed in whatever state the host left them. The sanitizer
// builds turn any leak or use after free here into a failure.
#include <random>

#include "tests/battery/battery_support.h"

namespace {

constexpr int kInstances = 1000;
constexpr const char* kExports[] = {"VSTPluginMain", "main", "MAIN"};

TEST(CarelessHostLifecycle, AThousandInstancesCreatedAndClosedInEveryState) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost host;
  std::mt19937_64 random(1000);
  for (int i = 0; i < kInstances; ++i) {
    HostedPlugin plugin(host, pluginEntry(kExports[i % 3]));
    ASSERT_TRUE(plugin) << "instance " << i << " through " << kExports[i % 3];
    switch (i % 6) {
      case 0: break;  // created only
      case 1: plugin.dispatch(effOpen); break;
      case 2: plugin.start(); break;  // still resumed at close
      case 3:
        plugin.start();
        plugin.dispatch(effMainsChanged, 0, 0);
        break;
      case 4:  // used without ever being opened
        plugin.setParameter(0, 1.0f);
        ASSERT_TRUE(processRandomBlock(plugin, 64, Expect::mono, random)) << "instance " << i;
        break;
      default:  // a full session: state restored, audio processed, state saved
        plugin.start();
        ASSERT_EQ(restoreState(plugin, modeState(true)), 260);
        ASSERT_TRUE(processRandomBlock(plugin, 256, Expect::mono, random)) << "instance " << i;
        ASSERT_EQ(saveState(plugin), modeState(true));
        break;
    }
    ASSERT_EQ(plugin.close(), 1) << "instance " << i;
  }
  EXPECT_EQ(TestHost::strayCallCount(), 0u);
}

TEST(CarelessHostLifecycle, ARefusingHostGetsNoInstanceAndNothingIsLeft) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost refusing;
  refusing.setVersionAnswer(0);
  for (int i = 0; i < kInstances / 10; ++i)
    ASSERT_EQ(refusing.create(pluginEntry(kExports[i % 3])), nullptr) << "attempt " << i;
  // The same process still creates working instances afterwards.
  TestHost host;
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  std::mt19937_64 random(1);
  EXPECT_TRUE(processRandomBlock(plugin, 128, Expect::stereo, random));
}

}  // namespace
