// The LV2 edition as a Linux host finds it: discovered through lilv on LV2_PATH, its
// description read back, and instances made by lilv run through the processing checks.
// Names and texts are checked against what the VST 2.4 library answers.
#include <lilv/lilv.h>

#include <filesystem>
#include <map>

#include "tests/lv2/processing_suite.h"
#include "tests/support/test_host.h"

using namespace hosting;

namespace {

std::string asString(const LilvNode* node) { return node ? lilv_node_as_string(node) : ""; }

std::filesystem::path pathOf(const LilvNode* fileUri) {
  char* text = lilv_file_uri_parse(asString(fileUri).c_str(), nullptr);
  std::filesystem::path path = text ? text : "";
  lilv_free(text);
  return path;
}

// A world loaded as a host loads it: every bundle on LV2_PATH, or on the path given.
class HostWorld {
 public:
  explicit HostWorld(const std::string& lv2Path = "") : world_(lilv_world_new()) {
    if (!lv2Path.empty()) {
      LilvNode* path = lilv_new_string(world_, lv2Path.c_str());
      lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, path);
      lilv_node_free(path);
    }
    lilv_world_load_all(world_);
    LilvNode* uri = lilv_new_uri(world_, kTwinfoldUri);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
  }
  ~HostWorld() {
    for (auto& [text, node] : nodes_) lilv_node_free(node);
    lilv_world_free(world_);
  }

  const LilvPlugin* plugin() const { return plugin_; }
  // A URI node owned by the world wrapper.
  const LilvNode* uri(const std::string& text) {
    auto& node = nodes_[text];
    if (!node) node = lilv_new_uri(world_, text.c_str());
    return node;
  }
  const LilvPort* port(std::uint32_t index) const { return lilv_plugin_get_port_by_index(plugin_, index); }

 private:
  HostWorld(const HostWorld&) = delete;
  HostWorld& operator=(const HostWorld&) = delete;
  LilvWorld* world_;
  const LilvPlugin* plugin_ = nullptr;
  std::map<std::string, LilvNode*> nodes_;
};

// One world for the program, on the LV2_PATH the tests are given.
HostWorld& world() {
  static HostWorld* shared = new HostWorld;
  return *shared;
}

std::filesystem::path bundleOf(const LilvPlugin* plugin) {
  return std::filesystem::canonical(pathOf(lilv_plugin_get_bundle_uri(plugin)));
}

// A machine with a newer copy of this plug-in installed beside LV2's vocabulary
// (make_installed_copy.cmake). Searched as hosts search, the system folder on the path,
// lilv takes the installed copy, so a test world that named the system folder would
// test that copy and not the build.
TEST(InstalledCopy, TakesOverWhereTheSystemFolderIsOnThePath) {
  const std::filesystem::path system = std::filesystem::path(TWINFOLD_LV2_INSTALLED_COPY) / "system";
  HostWorld machine(std::filesystem::path(lv2BundleUnderTest()).parent_path().string() + ":" + system.string());
  ASSERT_TRUE(machine.plugin());
  EXPECT_EQ(bundleOf(machine.plugin()), std::filesystem::canonical(system / "Quillmarsh_twinfold.lv2"));
}

// The tests' world made from that system folder holds its vocabulary and the build.
TEST(InstalledCopy, IsNeverLoadedThroughTheTestsWorld) {
  HostWorld tests((std::filesystem::path(TWINFOLD_LV2_INSTALLED_COPY) / "world").string());
  ASSERT_TRUE(tests.plugin());
  EXPECT_EQ(bundleOf(tests.plugin()), std::filesystem::canonical(lv2BundleUnderTest()));
  EXPECT_TRUE(lilv_plugin_verify(tests.plugin()));
}

const std::string kLv2 = "http://lv2plug.in/ns/lv2core#";

class LilvDescription : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world().plugin()) << kTwinfoldUri << " not found on LV2_PATH";
    ASSERT_TRUE(sharedPluginLibrary().loaded()) << sharedPluginLibrary().error();
    ASSERT_TRUE(vst);
    vst.start();
  }
  const LilvPlugin* plugin() const { return world().plugin(); }

  TestHost host;
  HostedPlugin vst{host, pluginEntry()};
};

TEST_F(LilvDescription, FoundInTheBuildFolderWithItsOwnBinary) {
  EXPECT_TRUE(lilv_plugin_verify(plugin()));
  EXPECT_EQ(bundleOf(plugin()), std::filesystem::canonical(lv2BundleUnderTest()));
  EXPECT_EQ(pathOf(lilv_plugin_get_library_uri(plugin())).filename(), lv2BinaryName());
}

TEST_F(LilvDescription, NameMaintainerAndClassMatchTheVst24Edition) {
  LilvNode* name = lilv_plugin_get_name(plugin());
  EXPECT_EQ(asString(name), vst.text(effGetEffectName));
  EXPECT_EQ(asString(name), "Quillmarsh_twinfold");
  lilv_node_free(name);
  LilvNode* maintainer = lilv_plugin_get_author_name(plugin());
  EXPECT_EQ(asString(maintainer), vst.text(effGetVendorString));
  lilv_node_free(maintainer);
  EXPECT_EQ(asString(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin()))), kLv2 + "UtilityPlugin");
}

TEST_F(LilvDescription, FeaturesAreHonest) {
  LilvNodes* required = lilv_plugin_get_required_features(plugin());
  EXPECT_EQ(lilv_nodes_size(required), 0u);
  lilv_nodes_free(required);
  LilvNodes* optional = lilv_plugin_get_optional_features(plugin());
  EXPECT_TRUE(lilv_nodes_contains(optional, world().uri(kLv2 + "hardRTCapable")));
  lilv_nodes_free(optional);
  EXPECT_FALSE(lilv_plugin_has_feature(plugin(), world().uri(kLv2 + "isLive")));
  EXPECT_FALSE(lilv_plugin_has_latency(plugin()));
}

TEST_F(LilvDescription, FourAudioPortsThenTheModeControlThenTheTransportInput) {
  struct Expected {
    const char* symbol;
    const char* direction;
    const char* type;
  };
  const Expected expected[] = {{"in_left", "InputPort", "AudioPort"},
                               {"in_right", "InputPort", "AudioPort"},
                               {"out_left", "OutputPort", "AudioPort"},
                               {"out_right", "OutputPort", "AudioPort"},
                               {"mode", "InputPort", "ControlPort"},
                               {"time", "InputPort", "AtomPort"}};
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin()), std::size(expected));
  for (std::uint32_t index = 0; index < std::size(expected); ++index) {
    const LilvPort* port = world().port(index);
    EXPECT_EQ(asString(lilv_port_get_symbol(plugin(), port)), expected[index].symbol);
    EXPECT_TRUE(lilv_port_is_a(plugin(), port, world().uri(kLv2 + expected[index].direction))) << index;
    const std::string type = expected[index].type;
    const std::string vocabulary = type == "AtomPort" ? "http://lv2plug.in/ns/ext/atom#" : kLv2;
    EXPECT_TRUE(lilv_port_is_a(plugin(), port, world().uri(vocabulary + type))) << index;
  }
  // Hosts send their transport there; a host that does not may leave it unconnected.
  const LilvPort* time = world().port(5);
  EXPECT_TRUE(lilv_port_supports_event(plugin(), time, world().uri("http://lv2plug.in/ns/ext/time#Position")));
  EXPECT_TRUE(lilv_port_has_property(plugin(), time, world().uri(kLv2 + "connectionOptional")));
}

TEST_F(LilvDescription, ModeControlIsTheVst24ParameterWithItsDisplayTexts) {
  const LilvPort* port = world().port(kModePort);
  LilvNode* name = lilv_port_get_name(plugin(), port);
  EXPECT_EQ(asString(name), vst.text(effGetParamName));
  EXPECT_EQ(asString(name), "stereo / mono");
  lilv_node_free(name);

  LilvNode *defaultValue = nullptr, *minimum = nullptr, *maximum = nullptr;
  lilv_port_get_range(plugin(), port, &defaultValue, &minimum, &maximum);
  ASSERT_TRUE(defaultValue && minimum && maximum);
  EXPECT_EQ(lilv_node_as_float(defaultValue), 0.0f);
  EXPECT_EQ(lilv_node_as_float(minimum), 0.0f);
  EXPECT_EQ(lilv_node_as_float(maximum), 1.0f);
  EXPECT_EQ(lilv_node_as_float(defaultValue), vst.getParameter(0)) << "the default is the VST 2.4 default";
  for (LilvNode* node : {defaultValue, minimum, maximum}) lilv_node_free(node);
  EXPECT_TRUE(lilv_port_has_property(plugin(), port, world().uri(kLv2 + "integer")));
  EXPECT_TRUE(lilv_port_has_property(plugin(), port, world().uri(kLv2 + "enumeration")));

  // Each scale point's label is what the VST 2.4 edition displays at that value.
  LilvScalePoints* points = lilv_port_get_scale_points(plugin(), port);
  std::map<float, std::string> labels;
  LILV_FOREACH(scale_points, i, points) {
    const LilvScalePoint* point = lilv_scale_points_get(points, i);
    labels[lilv_node_as_float(lilv_scale_point_get_value(point))] = asString(lilv_scale_point_get_label(point));
  }
  lilv_scale_points_free(points);
  EXPECT_EQ(labels, (std::map<float, std::string>{{0.0f, "stereo"}, {1.0f, "mono"}}));
  for (const auto& [value, label] : labels) {
    vst.setParameter(0, value);
    EXPECT_EQ(vst.text(effGetParamDisplay), label) << value;
  }
}

std::unique_ptr<Lv2Instance> lilvInstance(double sampleRate, const LV2_Feature* const* features) {
  if (!world().plugin()) return nullptr;
  LilvInstance* instance = lilv_plugin_instantiate(world().plugin(), sampleRate, features);
  if (!instance) return nullptr;
  return std::make_unique<Lv2Instance>(lilv_instance_get_descriptor(instance), lilv_instance_get_handle(instance),
                                       [instance] { lilv_instance_free(instance); });
}

INSTANTIATE_TEST_SUITE_P(Lilv, Lv2Processing, ::testing::Values(Lv2Source{"lilv", &lilvInstance}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
