// Threads as careless hosts use them: the parameter changed, the state restored and
// the instance suspended and resumed from the user-interface thread while the audio
// thread processes (and automates the parameter itself); several instances opened, run and closed on several threads at
// once; first blocks of a process arriving on several threads together. Nothing may
// crash, race (ThreadSanitizer) or produce a non-finite sample.
#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/battery/battery_support.h"
#include "tests/support/start_gate.h"

namespace {

constexpr int kThreads = 4;

VstTimeInfo playingTime() {
  VstTimeInfo time{};
  time.tempo = 120.0;
  time.ppqPos = 1.0;
  time.timeSigNumerator = 3;
  time.timeSigDenominator = 4;
  time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
  return time;
}

// Two MIDI notes, as a host delivers them before a block.
struct TwoNotes {
  TwoNotes() {
    for (int i = 0; i < 2; ++i) {
      notes[i].type = kVstMidiType;
      notes[i].byteSize = sizeof(VstMidiEvent);
      notes[i].midiData[0] = static_cast<char>(0x90);
      notes[i].midiData[1] = static_cast<char>(60 + i);
      notes[i].midiData[2] = 100;
      list.events[i] = reinterpret_cast<VstEvent*>(&notes[i]);
    }
    list.numEvents = 2;
  }
  VstMidiEvent notes[2]{};
  VstEvents list{};
};

TEST(CarelessHostThreads, ParameterAndStateChangeWhileProcessing) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost host;
  VstTimeInfo time = playingTime();
  host.setTimeInfo(&time);
  HostedPlugin plugin(host, pluginEntry());
  ASSERT_TRUE(plugin);
  plugin.start(48000.0f, 1024);

  constexpr int kBlocks = 600;
  std::atomic<int> controlRequests{0};
  std::atomic<bool> audioDone{false};
  std::thread audio([&] {
    std::mt19937_64 random(600);
    TwoNotes notes;
    // Start once the other thread is busy, so the two overlap.
    while (controlRequests.load() == 0) std::this_thread::yield();
    for (int block = 0; block < kBlocks; ++block) {
      plugin.dispatch(effProcessEvents, 0, 0, &notes.list);
      const auto frames = 1 + static_cast<VstInt32>(random() % 1024);
      const testing::AssertionResult result = processRandomBlock(plugin, frames, Expect::either, random);
      if (!result) {
        ADD_FAILURE() << "block " << block << ": " << result.message();
        break;
      }
      // Automation played back on the audio thread.
      if (block % 8 == 0) plugin.setParameter(0, block % 16 == 0 ? 1.0f : 0.0f);
    }
    audioDone.store(true);
  });

  std::mt19937_64 random(601);
  const std::vector<float> states[2] = {modeState(false), modeState(true)};
  while (!audioDone.load()) {
    switch (random() % 6) {
      case 0: plugin.setParameter(0, static_cast<float>(random() % 2)); break;
      case 1: EXPECT_EQ(restoreState(plugin, states[random() % 2]), 260); break;
      case 2: {
        const std::vector<float> saved = saveState(plugin);
        ASSERT_EQ(saved.size(), 65u);
        EXPECT_TRUE(saved[1] == 0.0f || saved[1] == 1.0f) << saved[1];
        break;
      }
      case 3: {
        // A host that reconfigures without stopping the audio thread first.
        plugin.dispatch(effMainsChanged, 0, 0);
        plugin.dispatch(effSetSampleRate, 0, 0, nullptr, random() % 2 ? 44100.0f : 96000.0f);
        plugin.dispatch(effSetBlockSize, 0, 1 + static_cast<VstIntPtr>(random() % 1024));
        plugin.dispatch(effMainsChanged, 0, 1);
        break;
      }
      case 4: {
        const float value = plugin.getParameter(0);
        EXPECT_TRUE(value == 0.0f || value == 1.0f) << value;
        break;
      }
      default: {
        const std::string display = plugin.text(effGetParamDisplay);
        EXPECT_TRUE(display == "stereo" || display == "mono") << display;
        break;
      }
    }
    controlRequests.fetch_add(1);
  }
  audio.join();
  EXPECT_GT(controlRequests.load(), 0);
  RecordProperty("controlRequests", controlRequests.load());
}

// One thread's share: instances three at a time, each run through a short session
// with its own mode, closed in a shuffled order.
void runInstances(TestHost& host, std::uint64_t seed, int rounds) {
  std::mt19937_64 random(seed);
  constexpr const char* kExports[] = {"VSTPluginMain", "main", "MAIN"};
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::unique_ptr<HostedPlugin>> plugins;
    std::vector<bool> mono;
    for (int i = 0; i < 3; ++i) {
      plugins.push_back(std::make_unique<HostedPlugin>(host, pluginEntry(kExports[i])));
      ASSERT_TRUE(*plugins.back()) << "seed " << seed << ", round " << round;
      plugins.back()->start(i == 0 ? 44100.0f : 96000.0f, 256 + i);
      mono.push_back(random() % 2 == 0);
      ASSERT_EQ(restoreState(*plugins.back(), modeState(mono.back())), 260);
    }
    // The state of one instance copied to the next, as hosts duplicate a track.
    ASSERT_EQ(restoreState(*plugins[1], saveState(*plugins[0])), 260);
    mono[1] = mono[0];
    for (int block = 0; block < 4; ++block)
      for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(processRandomBlock(*plugins[i], 256 + i, mono[i] ? Expect::mono : Expect::stereo, random))
            << "seed " << seed << ", round " << round << ", instance " << i;
    std::shuffle(plugins.begin(), plugins.end(), random);
    for (auto& plugin : plugins) ASSERT_EQ(plugin->close(), 1);
  }
}

TEST(CarelessHostThreads, SeveralInstancesOnSeveralThreadsAtOnce) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost host;
  VstTimeInfo time = playingTime();
  host.setTimeInfo(&time);
  StartGate start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arriveAndWait();
      runInstances(host, 100 + static_cast<std::uint64_t>(t), 20);
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(TestHost::strayCallCount(), 0u);
}

// Run in a process of its own (see CMakeLists.txt): these are the first processing
// calls of the process, on both paths, arriving on several threads together.
TEST(CarelessHostThreads, FirstBlocksOfTheProcessOnSeveralThreads) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost host;
  std::vector<std::unique_ptr<HostedPlugin>> plugins;
  for (int t = 0; t < kThreads; ++t) {
    plugins.push_back(std::make_unique<HostedPlugin>(host, pluginEntry()));
    ASSERT_TRUE(*plugins.back());
    plugins.back()->start();
    plugins.back()->setParameter(0, static_cast<float>(t % 2));
  }
  StartGate start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      std::mt19937_64 random(static_cast<std::uint64_t>(t));
      start.arriveAndWait();
      HostedPlugin& plugin = *plugins[static_cast<std::size_t>(t)];
      const Expect expect = t % 2 ? Expect::mono : Expect::stereo;
      for (int block = 0; block < 8; ++block)
        EXPECT_TRUE(processRandomBlock(plugin, 128, expect, random)) << "thread " << t << ", block " << block;
    });
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
