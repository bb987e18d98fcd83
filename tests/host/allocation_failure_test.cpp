// Every edition's boundary with memory running out during the host's call: the call is
// refused (null, 0, false, kResultFalse), no exception reaches the host, and the instance
// is as it was. Only this program's operator new can be made to fail, so the DLLs, which
// carry their own, are not reached from here.
#include <functional>
#include <vector>

#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"
#include "hosting/lv2_host.h"
#include "hosting/vst3_host.h"
#include "tests/host/allocation_counter.h"
#include "tests/host/host_fixture.h"

using namespace hosting;

namespace {

class OutOfMemory : public StartedPlugin {
 protected:
  void SetUp() override {
    if (!kSeesThePluginsAllocations) GTEST_SKIP() << "the DLL carries its own operator new";
    StartedPlugin::SetUp();
  }
};

VstIntPtr VSTCALLBACK versionOnly(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

TEST_F(OutOfMemory, Vst24CreationAndRestoreAreRefused) {
  AEffect sentinel{};
  AEffect* created = &sentinel;
  {
    const FailingAllocations failing;
    created = pluginEntry()(versionOnly);
  }
  EXPECT_EQ(created, nullptr);

  setMono(true);
  const std::vector<std::uint8_t> stereo = modeChunk(0.0f);
  VstIntPtr answer = -1;
  {
    const FailingAllocations failing;
    answer = plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(stereo.size()),
                             const_cast<std::uint8_t*>(stereo.data()));
  }
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(plugin.getParameter(kModeParameter), 1.0f);
  EXPECT_EQ(plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(stereo.size()),
                            const_cast<std::uint8_t*>(stereo.data())),
            static_cast<VstIntPtr>(stereo.size()))
      << "with memory the same call restores";
  EXPECT_EQ(plugin.getParameter(kModeParameter), 0.0f);
}

// The state loads are run out of memory in the test after the next.
TEST_F(OutOfMemory, Vst3AndClapCreationAreRefused) {
  Vst3Module vst3Module(vst3BinaryUnderTest());
  ASSERT_TRUE(vst3Module.loaded());
  vst3::IPluginFactory* factory = vst3Module.factory();
  const vst3::TUID cid = firstClassId(factory);
  const ClapModule clapModule(clapFileUnderTest());
  ASSERT_TRUE(clapModule.loaded());
  ASSERT_TRUE(clapModule.entry().init(clapFileUnderTest().c_str()));
  ClapHost clapHost;
  void* object = &object;
  vst3::tresult created = vst3::kResultOk;
  const clap::clap_plugin sentinel{};
  const clap::clap_plugin* clap = &sentinel;
  {
    const FailingAllocations failing;
    created = V3CALL(factory, createInstance, cid.data(), vst3::IComponent_iid.data(), &object);
    clap = clapModule.factory()->create_plugin(clapModule.factory(), clapHost.record(), kClapPluginId);
  }
  EXPECT_NE(created, vst3::kResultOk);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(clap, nullptr);
  clapModule.entry().deinit();
  V3CALL(factory, release);
}

TEST_F(OutOfMemory, Lv2InstantiationIsRefused) {
  const Lv2Module module(lv2BundleUnderTest(), lv2BinaryName());
  const LV2_Descriptor* descriptor = module.descriptor(kTwinfoldUri);
  ASSERT_TRUE(descriptor);
  Lv2Features features(512);
  LV2_Handle handle = &handle;
  {
    const FailingAllocations failing;
    handle = descriptor->instantiate(descriptor, 48000.0, module.bundle().c_str(), features.list());
  }
  EXPECT_EQ(handle, nullptr);
}

// Memory running out at each allocation of a state load in turn (after 0, 1, 2, ...
// allocations succeeded): every attempt either takes the stereo state whole or leaves the
// instance in mono as it was, and one with enough memory takes it.
TEST_F(OutOfMemory, StateLoadsRunningOutAtAnyAllocationTakeAllOrNothing) {
  Vst3Module vst3Module(vst3BinaryUnderTest());
  ASSERT_TRUE(vst3Module.loaded());
  vst3::IPluginFactory* factory = vst3Module.factory();
  auto vst3 = std::make_unique<Vst3Instance>(factory);
  ASSERT_TRUE(*vst3);
  const ClapModule clapModule(clapFileUnderTest());
  ASSERT_TRUE(clapModule.loaded());
  ASSERT_TRUE(clapModule.entry().init(clapFileUnderTest().c_str()));
  // A host without the params extension: the rescan a changing load owes it would
  // allocate in this host's own code, which runs out of memory too.
  ClapHost clapHost(false);
  auto clap = std::make_unique<ClapInstance>(clapModule.factory(), clapHost);
  ASSERT_TRUE(clap->initialized);
  const auto* clapState = clap->extension<clap::clap_plugin_state>(clap::kStateId);

  const std::vector<unsigned char> mono = headedState(modeChunk(1.0f)), stereo = headedState(modeChunk(0.0f));
  const struct {
    const char* name;
    std::function<bool(const std::vector<unsigned char>&)> load;
    std::function<bool(std::uint64_t succeeding)> loadStereoRunningOut;
    std::function<std::vector<unsigned char>()> save;
  } editions[] = {
      {"VST3", [&](const std::vector<unsigned char>& bytes) { return vst3->setState(bytes) == vst3::kResultOk; },
       [&](std::uint64_t succeeding) {
         MemoryStream stream(stereo);
         const FailingAllocations failing(succeeding);
         return V3CALL(vst3->component, setState, &stream) == vst3::kResultOk;
       },
       [&] { return vst3->getState(); }},
      {"CLAP", [&](const std::vector<unsigned char>& bytes) { return clap->load(bytes); },
       [&](std::uint64_t succeeding) {
         ClapInStream stream(stereo);
         const FailingAllocations failing(succeeding);
         return clapState->load(clap->plugin, stream.stream());
       },
       [&] { return clap->save(); }},
  };
  for (const auto& edition : editions) {
    bool loaded = false;
    for (std::uint64_t succeeding = 0; !loaded && succeeding < 64; ++succeeding) {
      ASSERT_TRUE(edition.load(mono)) << edition.name;
      loaded = edition.loadStereoRunningOut(succeeding);
      EXPECT_EQ(edition.save(), loaded ? stereo : mono) << edition.name << " after " << succeeding << " allocations";
    }
    EXPECT_TRUE(loaded) << edition.name;
  }
  clap.reset();
  clapModule.entry().deinit();
  EXPECT_EQ(vst3->releaseAll(), 0u);
  V3CALL(factory, release);
}
