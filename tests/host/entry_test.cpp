// Creation through each exported entry point, the record a host receives, closing,
// and what the library exports.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/elf_symbols.h"
#include "tests/host/host_fixture.h"

#ifndef TWINFOLD_UNIQUE_ID_VALUE
#error "the build's unique ID must reach the tests"
#endif

namespace {

const char* const kEntryPoints[] = {"VSTPluginMain", "main", "MAIN"};

class EntryPoint : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    entry = pluginEntry(GetParam());
    ASSERT_NE(entry, nullptr) << "missing export " << GetParam();
  }
  PluginEntryProc entry = nullptr;
};

TEST_P(EntryPoint, HandsTheHostTheAnnouncedRecord) {
  TestHost host;
  HostedPlugin plugin(host, entry);
  ASSERT_TRUE(plugin);
  const AEffect& record = *plugin.effect();
  EXPECT_EQ(record.magic, 0x56737450);
  EXPECT_NE(record.dispatcher, nullptr);
  EXPECT_NE(record.process, nullptr);
  EXPECT_NE(record.setParameter, nullptr);
  EXPECT_NE(record.getParameter, nullptr);
  EXPECT_NE(record.processReplacing, nullptr);
  EXPECT_NE(record.processDoubleReplacing, nullptr);
  EXPECT_EQ(record.numPrograms, 1);
  EXPECT_EQ(record.numParams, 1);
  EXPECT_EQ(record.numInputs, 2);
  EXPECT_EQ(record.numOutputs, 2);
  EXPECT_EQ(record.flags, 0x1030);
  // The host's own field: the host marks the record with itself to route its calls.
  EXPECT_EQ(record.resvd1, reinterpret_cast<VstIntPtr>(static_cast<hosting::Host*>(&host)));
  EXPECT_EQ(record.resvd2, 0);
  EXPECT_EQ(record.initialDelay, 0);
  EXPECT_EQ(record.realQualities, 0);
  EXPECT_EQ(record.offQualities, 0);
  EXPECT_EQ(record.ioRatio, 1.0f);
  EXPECT_NE(record.object, nullptr);
  EXPECT_EQ(record.user, nullptr);
  EXPECT_EQ(record.uniqueID, TWINFOLD_UNIQUE_ID_VALUE);
  EXPECT_EQ(record.version, 1);
  EXPECT_TRUE(std::all_of(std::begin(record.future), std::end(record.future), [](char c) { return c == 0; }));
  // Creation asks the host for its version, once, before any record exists.
  EXPECT_EQ(host.calls(), (std::vector<HostCall>{{nullptr, audioMasterVersion, 0, 0}}));
  EXPECT_EQ(plugin.close(), 1);
}

TEST_P(EntryPoint, RefusesAHostThatAnswersVersionZero) {
  TestHost host;
  host.setVersionAnswer(0);
  EXPECT_EQ(host.create(entry), nullptr);
  EXPECT_EQ(host.calls(), (std::vector<HostCall>{{nullptr, audioMasterVersion, 0, 0}}));
  // Nothing of the refused attempt lingers: the same host, now answering, gets an instance.
  host.setVersionAnswer(1);
  HostedPlugin plugin(host, entry);
  EXPECT_TRUE(plugin);
}

TEST_P(EntryPoint, RefusesAMissingHostCallback) { EXPECT_EQ(entry(nullptr), nullptr); }

INSTANTIATE_TEST_SUITE_P(Exports, EntryPoint, ::testing::ValuesIn(kEntryPoints),
                         [](const auto& info) { return std::string(info.param); });

// Each entry point makes its own instance: a mode, a program name and a processing
// result of one never show in another.
TEST(Instances, SideBySideAreIndependent) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  TestHost host;
  std::vector<std::unique_ptr<HostedPlugin>> plugins;
  for (const char* name : kEntryPoints) {
    plugins.push_back(std::make_unique<HostedPlugin>(host, pluginEntry(name)));
    ASSERT_TRUE(*plugins.back()) << name;
    plugins.back()->start();
  }
  HostedPlugin& mono = *plugins[1];
  mono.setParameter(kModeParameter, 1.0f);
  char name[] = "Renamed";
  mono.dispatch(effSetProgramName, 0, 0, name);

  for (std::size_t i = 0; i < plugins.size(); ++i) {
    HostedPlugin& plugin = *plugins[i];
    const bool isMono = &plugin == &mono;
    SCOPED_TRACE(kEntryPoints[i]);
    EXPECT_EQ(plugin.getParameter(kModeParameter), isMono ? 1.0f : 0.0f);
    EXPECT_EQ(plugin.text(effGetProgramName), isMono ? "Renamed" : "Quillmarsh_twinfold");
    EXPECT_EQ(saveChunk(plugin).at(1), isMono ? 1.0f : 0.0f);
    StereoBlock<float> block({0.5f, 1.0f}, {0.25f, -1.0f});
    block.run(plugin);
    EXPECT_EQ(block.out[0], (isMono ? std::vector<float>{0.375f, 0.0f} : std::vector<float>{0.5f, 1.0f}));
    EXPECT_EQ(block.out[1], (isMono ? std::vector<float>{0.375f, 0.0f} : std::vector<float>{0.25f, -1.0f}));
  }
  // Closing one leaves the others working.
  EXPECT_EQ(plugins[0]->close(), 1);
  EXPECT_EQ(plugins[2]->dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(TestHost::strayCallCount(), 0u);
}

// A host finds the three entry points and nothing else of the library's code.
TEST(Exports, ExactlyTheThreeEntryPoints) {
#if defined(_WIN32)
  GTEST_SKIP() << "the DLL's export table is checked by the packaging tests";
#else
  std::string error;
  std::vector<std::string> names = definedDynamicSymbols(pluginUnderTest(), error);
  ASSERT_FALSE(names.empty()) << error;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"MAIN", "VSTPluginMain", "main"}));
#endif
}

}  // namespace
