// The file as the scanners of Carla, Qtractor and the validator see it: one export,
// counted init and deinit, the factory and its one descriptor, and the extensions.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "tests/clap/clap_fixture.h"
#include "tests/support/test_host.h"
#if !defined(_WIN32)
#include "tests/support/elf_symbols.h"
#endif

using namespace hosting;

using namespace clap;

#if !defined(_WIN32)
TEST(ClapExports, OnlyTheEntryRecord) {
  std::string error;
  const auto names = definedDynamicSymbols(clapFileUnderTest(), error);
  ASSERT_TRUE(error.empty()) << error;
  EXPECT_EQ(names, std::vector<std::string>{"clap_entry"});
}
#endif

// Carla calls init with the folder, the others with the file, any of them several times.
TEST(ClapEntryRecord, InitAndDeinitAreCountedWhateverThePath) {
  const ClapModule& module = sharedClapModule();
  ASSERT_TRUE(module.loaded()) << module.library().error();
  const clap_plugin_entry& entry = module.entry();
  EXPECT_EQ(entry.clap_version.major, 1u);
  const std::string file = clapFileUnderTest();
  const std::string folder = std::filesystem::path(file).parent_path().string();
  ClapHost host;
  auto creates = [&] { return ClapInstance(module.factory(), host).plugin != nullptr; };
  EXPECT_FALSE(creates()) << "no instance before init";
  for (const char* path : {folder.c_str(), file.c_str(), static_cast<const char*>(nullptr)})
    EXPECT_TRUE(entry.init(path)) << (path ? path : "null");
  entry.deinit();
  entry.deinit();
  EXPECT_TRUE(creates()) << "one init still counts";
  entry.deinit();
  EXPECT_FALSE(creates()) << "the last deinit undoes it";
  entry.deinit();  // one too many changes nothing
  EXPECT_TRUE(entry.init(file.c_str()));
  EXPECT_TRUE(creates());
  entry.deinit();
}

TEST_F(ClapTest, FactoryAnswersItsIdOnlyAndListsOneDescriptor) {
  for (const char* id : {"foo-factory-1", "clap.preset-discovery-factory/2", "clap.preset-discovery-factory/draft-2",
                         "clap.plugin-factory/2", ""})
    EXPECT_EQ(entry().get_factory(id), nullptr) << id;
  EXPECT_EQ(entry().get_factory(nullptr), nullptr);
  EXPECT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);

  const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->clap_version.major, 1u);
  EXPECT_STREQ(d->id, "com.quillmarsh.twinfold");
  EXPECT_STREQ(d->version, TWINFOLD_VERSION_TEXT);
  for (const char* text : {d->url, d->manual_url, d->support_url, d->description}) EXPECT_NE(text, nullptr);
  std::vector<std::string> features;
  for (const char* const* f = d->features; *f; ++f) features.emplace_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "utility", "stereo"}));
  // The VST 2.4 edition's names.
  TestHost vst2Host;
  HostedPlugin vst2(vst2Host, pluginEntry());
  ASSERT_TRUE(vst2);
  EXPECT_EQ(d->name, vst2.text(effGetEffectName));
  EXPECT_EQ(d->vendor, vst2.text(effGetVendorString));

  // Exact ids only, a host record required; `desc` set before init.
  for (const char* id : {"com.quillmarsh.twinfoldx1", "com.quillmarsh", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(factory->create_plugin(factory, host.record(), id), nullptr) << (id ? id : "null");
  EXPECT_EQ(factory->create_plugin(factory, nullptr, kClapPluginId), nullptr);
  const clap_plugin* plugin = factory->create_plugin(factory, host.record(), kClapPluginId);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->desc, d);
  EXPECT_TRUE(host.askedFor.empty()) << "no host call while creating";
  EXPECT_EQ(plugin->get_extension(plugin, kParamsId), nullptr) << "no extension before init";
  plugin->destroy(plugin);  // after create, without init
}

TEST_F(ClapTest, AnswersItsFiveExtensionsAndRefusesTheRest) {
  auto instance = make(host);
  for (const char* id : {kAudioPortsId, kParamsId, kStateId, kLatencyId, kTailId})
    EXPECT_NE(instance->plugin->get_extension(instance->plugin, id), nullptr) << id;
  for (const char* id : {"clap.note-ports", "clap.gui", "clap.audio-ports-config", "clap.state-context/2",
                         "clap.render", "clap.params.x", "clap.param", ""})
    EXPECT_EQ(instance->plugin->get_extension(instance->plugin, id), nullptr) << id;
  EXPECT_EQ(instance->plugin->get_extension(instance->plugin, nullptr), nullptr);
}

// What Carla and Qtractor read while scanning, and the parameter with its texts.
TEST_F(ClapTest, PortsAndParameterAsScannersReadThem) {
  ClapHost scanner(false);
  auto instance = make(scanner);
  const clap_plugin* plugin = instance->plugin;
  const auto* ports = instance->extension<clap_plugin_audio_ports>(kAudioPortsId);
  for (bool input : {true, false}) {
    EXPECT_EQ(ports->count(plugin, input), 1u);
    clap_audio_port_info info{};
    ASSERT_TRUE(ports->get(plugin, 0, input, &info));
    EXPECT_EQ(info.id, 0u);
    EXPECT_EQ(info.flags, kAudioPortIsMain | kAudioPortSupports64Bits);
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, "stereo");
    EXPECT_EQ(info.in_place_pair, 0u);
    EXPECT_FALSE(ports->get(plugin, 1, input, &info));
    EXPECT_FALSE(ports->get(plugin, 0, input, nullptr));
  }

  const auto* params = instance->extension<clap_plugin_params>(kParamsId);
  EXPECT_EQ(params->count(plugin), 1u);
  clap_param_info info{};
  ASSERT_TRUE(params->get_info(plugin, 0, &info));
  EXPECT_EQ(info.id, 0u);
  EXPECT_EQ(info.flags & 0x21u, 0x21u) << "stepped and automatable";
  EXPECT_EQ(info.flags & 0x1Cu, 0u) << "neither hidden, read-only nor bypass";
  EXPECT_STREQ(info.name, "stereo / mono");
  EXPECT_STREQ(info.module, "");
  EXPECT_EQ(info.min_value, 0.0);
  EXPECT_EQ(info.max_value, 1.0);
  EXPECT_EQ(info.default_value, 0.0);
  EXPECT_EQ(instance->value(), info.default_value);
  EXPECT_FALSE(params->get_info(plugin, 1, &info));

  // Stepped values truncate; texts round trip; buffers are never overrun.
  const struct {
    double value;
    const char* text;
  } texts[] = {{0.0, "stereo"}, {0.25, "stereo"}, {0.5, "stereo"}, {0.99, "stereo"},
               {1.0, "mono"},   {7.0, "mono"},    {-3.0, "stereo"}};
  for (const auto& [value, text] : texts) {
    char buffer[256];
    ASSERT_TRUE(params->value_to_text(plugin, 0, value, buffer, sizeof buffer)) << value;
    EXPECT_STREQ(buffer, text) << value;
    double back = -1.0;
    ASSERT_TRUE(params->text_to_value(plugin, 0, buffer, &back));
    EXPECT_EQ(back, std::trunc(std::clamp(value, 0.0, 1.0)));
  }
  GuardedBytes guarded(4);
  EXPECT_TRUE(params->value_to_text(plugin, 0, 0.0, guarded.data(), 4));
  EXPECT_STREQ(guarded.data(), "ste");
  char one[1] = {'x'};
  EXPECT_TRUE(params->value_to_text(plugin, 0, 1.0, one, 1));
  EXPECT_EQ(one[0], '\0');
  char buffer[16];
  EXPECT_FALSE(params->value_to_text(plugin, 0, 0.0, buffer, 0));
  EXPECT_FALSE(params->value_to_text(plugin, 0, std::nan(""), buffer, sizeof buffer));
  EXPECT_FALSE(params->value_to_text(plugin, 1, 0.0, buffer, sizeof buffer)) << "no parameter 1";
  double value = 0.0;
  for (const char* text : {"Mono", "mono ", "", "1"}) EXPECT_FALSE(params->text_to_value(plugin, 0, text, &value)) << text;
  EXPECT_FALSE(params->text_to_value(plugin, 0, nullptr, &value));
  EXPECT_FALSE(params->get_value(plugin, 1, &value));
}
