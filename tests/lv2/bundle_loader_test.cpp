// The LV2 edition through the project's own loader, on every target (under Wine for
// the Windows bundles): the module's one descriptor, the bundle naming its binary, the
// processing checks, and the same audio as the VST 2.4 library of the same build.
#include <fstream>
#include <sstream>

#include "tests/lv2/processing_suite.h"
#include "tests/support/elf_symbols.h"
#include "tests/support/reference_audio.h"
#include "tests/support/test_host.h"

using namespace hosting;

namespace {

const Lv2Module& bundleModule() {
  static const Lv2Module* module = new Lv2Module(lv2BundleUnderTest(), lv2BinaryName());
  return *module;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(Lv2Bundle, ModuleOffersExactlyOneDescriptor) {
  ASSERT_TRUE(bundleModule().loaded()) << "cannot load " << lv2BundleUnderTest() << ": " << bundleModule().library().error();
  const LV2_Descriptor* descriptor = bundleModule().descriptor(kTwinfoldUri);
  ASSERT_TRUE(descriptor);
  EXPECT_STREQ(descriptor->URI, kTwinfoldUri);
  EXPECT_EQ(descriptor->extension_data("http://lv2plug.in/ns/ext/state#interface"), nullptr);
  const PluginLibrary library(lv2BundleUnderTest() + "/" + lv2BinaryName());
  const auto function = reinterpret_cast<const LV2_Descriptor* (*)(std::uint32_t)>(library.symbol("lv2_descriptor"));
  ASSERT_TRUE(function);
  EXPECT_EQ(function(0), descriptor);
  EXPECT_EQ(function(1), nullptr);
  // Only lv2_descriptor is exported: the VST 2.4 entry points stay inside.
  for (const char* name : {"VSTPluginMain", "main", "MAIN"}) EXPECT_EQ(library.symbol(name), nullptr) << name;
}

TEST(Lv2Bundle, ExportsOnlyTheDescriptorFunction) {
#if defined(_WIN32)
  GTEST_SKIP() << "the DLL's export table is checked by the packaging tests";
#else
  std::string error;
  const std::vector<std::string> names = definedDynamicSymbols(lv2BundleUnderTest() + "/" + lv2BinaryName(), error);
  EXPECT_EQ(names, std::vector<std::string>{"lv2_descriptor"}) << error;
#endif
}

TEST(Lv2Bundle, ManifestNamesThisTargetsBinary) {
  const std::string manifest = readFile(lv2BundleUnderTest() + "/manifest.ttl");
  EXPECT_NE(manifest.find("<" + std::string(kTwinfoldUri) + ">"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("lv2:binary <" + lv2BinaryName() + ">"), std::string::npos) << manifest;
  EXPECT_NE(readFile(lv2BundleUnderTest() + "/Quillmarsh_twinfold.ttl").find("doap:name \"Quillmarsh_twinfold\""),
            std::string::npos);
}

// Both editions of one build, fed the same blocks in both modes, produce the same bits.
TEST(Lv2Bundle, SameAudioAsTheVst24Library) {
  ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
  const LV2_Descriptor* descriptor = bundleModule().descriptor(kTwinfoldUri);
  ASSERT_TRUE(descriptor);
  Lv2Features features(512);
  LV2_Handle handle = descriptor->instantiate(descriptor, 44100.0, lv2BundleUnderTest().c_str(), features.list());
  ASSERT_TRUE(handle);
  Lv2Instance lv2(descriptor, handle);
  lv2.activate();
  TestHost host;
  HostedPlugin vst(host, pluginEntry());
  ASSERT_TRUE(vst);
  vst.start(44100.0f, 512);
  const std::vector<float> edges = edgeSamples();
  for (float mode : {0.0f, 1.0f}) {
    vst.setParameter(0, mode);
    for (std::uint32_t seed : {1u, 2u}) {
      Lv2StereoBlock block(noiseSamples(512, seed), noiseSamples(512, seed + 50));
      block.in[0].insert(block.in[0].end(), edges.begin(), edges.end());
      block.in[1].insert(block.in[1].end(), edges.rbegin(), edges.rend());
      block.out[0].resize(block.in[0].size());
      block.out[1].resize(block.in[1].size());
      block.run(lv2, mode);
      std::vector<float> vstOut[2] = {std::vector<float>(block.in[0].size()), std::vector<float>(block.in[0].size())};
      float* inputs[2] = {block.in[0].data(), block.in[1].data()};
      float* outputs[2] = {vstOut[0].data(), vstOut[1].data()};
      vst.processAsHost(inputs, outputs, static_cast<VstInt32>(block.in[0].size()));
      for (int c : {0, 1})
        for (std::size_t j = 0; j < vstOut[c].size(); ++j)
          ASSERT_EQ(bitsOf(block.out[c][j]), bitsOf(vstOut[c][j])) << "mode " << mode << " channel " << c
                                                                         << " frame " << j;
    }
  }
}

std::unique_ptr<Lv2Instance> loaderInstance(double sampleRate, const LV2_Feature* const* features) {
  const LV2_Descriptor* descriptor = bundleModule().descriptor(kTwinfoldUri);
  if (!descriptor) return nullptr;
  LV2_Handle handle = descriptor->instantiate(descriptor, sampleRate, bundleModule().bundle().c_str(), features);
  if (!handle) return nullptr;
  return std::make_unique<Lv2Instance>(descriptor, handle);
}

INSTANTIATE_TEST_SUITE_P(Loader, Lv2Processing, ::testing::Values(Lv2Source{"loader", &loaderInstance}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
