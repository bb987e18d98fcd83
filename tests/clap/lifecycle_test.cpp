// The life cycle as Carla, Qtractor and the validator drive it, and refusals for calls
// from the wrong thread or in the wrong state.
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

#include "tests/clap/clap_fixture.h"

using namespace hosting;

using namespace clap;

namespace {

// True when a block comes out as the mean of its inputs.
bool processesMono(ClapInstance& instance) {
  ClapBlock<float> block({1.0f}, {3.0f});
  return instance.process(block) == kProcessContinue && block.out[0][0] == 2.0f && block.out[1][0] == 2.0f;
}

void onAnotherThread(const std::function<void()>& call) { std::thread(call).join(); }

}  // namespace

// Carla offers no "clap.params", activates and starts on the main thread, flushes
// with a null output list while inactive and asks for latency while inactive.
TEST_F(ClapTest, CarlaCycle) {
  ClapHost carla(false);
  auto instance = make(carla);
  const clap_plugin* plugin = instance->plugin;
  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  const auto* latency = instance->extension<clap_plugin_latency>(kLatencyId);
  EXPECT_EQ(latency->get(plugin), 0u);
  ClapEvents events;
  events.value(0, 1.0);
  params->flush(plugin, events.list(), nullptr);
  params->flush(plugin, nullptr, nullptr);
  EXPECT_EQ(instance->value(), 1.0);
  for (int round = 0; round < 2; ++round) {  // a block-size change: deactivate, activate
    ASSERT_TRUE(plugin->activate(plugin, 44100.0, 1, 256 << round));
    ASSERT_TRUE(plugin->start_processing(plugin));
    EXPECT_TRUE(processesMono(*instance));
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
  }
  // Its chunks: saved while inactive, loaded again into a stereo instance.
  const std::vector<unsigned char> saved = instance->save();
  ASSERT_FALSE(saved.empty());
  ASSERT_TRUE(instance->setValueByFlush(0.0));
  ASSERT_TRUE(instance->load(saved));
  EXPECT_EQ(instance->value(), 1.0);
}

// Qtractor activates with its block size as the minimum, flushes on the audio thread
// before starting, probes with 0 frames in place, and deactivates without stopping.
TEST_F(ClapTest, QtractorCycle) {
  auto instance = make(host);
  const clap_plugin* plugin = instance->plugin;
  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 512, 4096));
    onAnotherThread([&] {
      ClapEvents events;
      events.value(0, round == 0 ? 1.0 : 0.0);
      events.value(0, round == 0 ? 1.0 : 0.0);
      params->flush(plugin, events.list(), ClapEvents::sink());
      EXPECT_TRUE(plugin->start_processing(plugin));
      ClapBlock<float> probe({0.5f, 0.5f}, {0.25f, 0.25f}, true);
      EXPECT_EQ(instance->process(probe, nullptr, 0), kProcessContinue);
      EXPECT_EQ(probe.in[0][0], 0.5f) << "0 frames write nothing";
      EXPECT_EQ(processesMono(*instance), round == 0);
    });
    plugin->deactivate(plugin);
  }
}

// The validator: main thread for the life cycle, a separate audio thread for the rest.
TEST_F(ClapTest, ValidatorCycleWithResetAndReactivation) {
  auto instance = make(host);
  const clap_plugin* plugin = instance->plugin;
  for (double rate : {1234.5678, 768000.0}) {
    ASSERT_TRUE(plugin->activate(plugin, rate, 1, rate > 1e5 ? 16384 : 1));
    onAnotherThread([&] {
      ASSERT_TRUE(plugin->start_processing(plugin));
      ClapBlock<double> block({0.5}, {0.25});
      EXPECT_EQ(instance->process(block), kProcessContinue);
      plugin->reset(plugin);
      EXPECT_EQ(block.out[0][0], 0.5);
      plugin->stop_processing(plugin);
    });
    plugin->deactivate(plugin);
  }
}

TEST_F(ClapTest, CallsInTheWrongStateAreRefused) {
  auto instance = make(host);
  const clap_plugin* plugin = instance->plugin;
  EXPECT_FALSE(plugin->init(plugin)) << "a second init";
  ClapBlock<float> block({0.5f}, {0.25f});
  EXPECT_EQ(instance->process(block), kProcessError) << "inactive";
  EXPECT_FALSE(plugin->start_processing(plugin)) << "inactive";
  plugin->stop_processing(plugin);
  plugin->deactivate(plugin);
  const std::pair<double, std::uint32_t> badSetups[] = {
      {0.0, 512}, {-48000.0, 512}, {std::nan(""), 512}, {std::numeric_limits<double>::infinity(), 512}, {48000.0, 0}};
  for (const auto& [rate, frames] : badSetups)
    EXPECT_FALSE(plugin->activate(plugin, rate, 1, frames)) << rate << " Hz, " << frames << " frames";
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 512));
  EXPECT_FALSE(plugin->activate(plugin, 48000.0, 1, 512)) << "active already";
  EXPECT_EQ(instance->process(block), kProcessError) << "not processing";
  EXPECT_TRUE(std::isnan(block.out[0][0]));
  ASSERT_TRUE(plugin->start_processing(plugin));
  EXPECT_TRUE(plugin->start_processing(plugin)) << "a repeated start is harmless";
  EXPECT_EQ(plugin->process(plugin, nullptr), kProcessError);
  EXPECT_EQ(instance->process(block), kProcessContinue);
  // Destroyed while processing, as some hosts do.
}

TEST_F(ClapTest, MainThreadCallsFromAnotherThreadAreRefused) {
  auto instance = make(host);
  const clap_plugin* plugin = instance->plugin;
  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  const auto* ports = instance->extension<clap_plugin_audio_ports>(kAudioPortsId);
  const auto* state = instance->extension<clap_plugin_state>(kStateId);
  onAnotherThread([&] {
    EXPECT_FALSE(plugin->activate(plugin, 48000.0, 1, 512));
    EXPECT_EQ(params->count(plugin), 0u);
    EXPECT_EQ(ports->count(plugin, true), 0u);
    double value = 0.0;
    EXPECT_FALSE(params->get_value(plugin, 0, &value));
    ClapEvents events;
    events.value(0, 1.0);
    params->flush(plugin, events.list(), nullptr);  // inactive: a main-thread call
    ClapOutStream out;
    EXPECT_FALSE(state->save(plugin, out.stream()));
    EXPECT_TRUE(out.bytes.empty());
  });
  EXPECT_EQ(instance->value(), 0.0);
  ASSERT_TRUE(instance->start());
  EXPECT_FALSE(processesMono(*instance));
  onAnotherThread([&] { plugin->deactivate(plugin); });
  EXPECT_FALSE(plugin->activate(plugin, 48000.0, 1, 512)) << "still active";
}

// A host that calls flush or deactivate while a block is running (here from inside
// the block, through its event list) is refused; the block completes.
TEST_F(StartedClap, CallsDuringABlockAreRefused) {
  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  struct Reentry {
    const clap_plugin* plugin;
    const clap_plugin_params* params;
    ClapEvents mono;
  } reentry{plugin(), params, {}};
  reentry.mono.value(0, 1.0);
  clap_input_events list{&reentry,
                         [](const clap_input_events* self) -> std::uint32_t {
                           auto& r = *static_cast<Reentry*>(self->ctx);
                           r.params->flush(r.plugin, r.mono.list(), nullptr);
                           r.plugin->deactivate(r.plugin);
                           return 0;
                         },
                         [](const clap_input_events*, std::uint32_t) -> const clap_event_header* { return nullptr; }};
  ClapBlock<float> block({1.0f}, {3.0f});
  block.process.in_events = &list;
  EXPECT_EQ(plugin()->process(plugin(), &block.process), kProcessContinue);
  EXPECT_EQ(block.out[0][0], 1.0f);
  EXPECT_EQ(instance->value(), 0.0);
  EXPECT_FALSE(processesMono(*instance)) << "still active and processing";
}
