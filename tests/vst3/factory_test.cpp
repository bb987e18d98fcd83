// The module as a host's scanner sees it: exports, entry and exit, the factory in its
// three versions, the one audio class and its ID, and moduleinfo.json.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "tests/support/test_host.h"
#include "tests/vst3/vst3_fixture.h"
#if !defined(_WIN32)
#include "tests/support/elf_symbols.h"
#endif

using namespace vst3;
using namespace hosting;

namespace {

// The class ID a replacement of the VST 2.4 plug-in must have: "VST", its unique ID,
// then the first nine bytes of its lower-cased name; read from the VST 2.4 library.
std::array<uint32, 4> expectedClassWords() {
  TestHost host;
  HostedPlugin vst2(host, pluginEntry());
  std::string name = vst2.text(effGetEffectName);
  name.resize(9, '\0');
  std::vector<unsigned char> bytes = {'V', 'S', 'T'};
  const auto id = static_cast<uint32>(vst2.effect()->uniqueID);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(id >> shift));
  for (char c : name) bytes.push_back(static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c))));
  std::array<uint32, 4> words{};
  for (int i = 0; i < 16; ++i) words[i / 4] = (words[i / 4] << 8) | bytes[i];
  return words;
}

std::string hexText(const std::array<uint32, 4>& words) {
  std::ostringstream text;
  for (uint32 word : words) text << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << word;
  return text.str();
}

}  // namespace

#if !defined(_WIN32)
TEST(Vst3Exports, ExactlyTheThreeLinuxEntryPoints) {
  std::string error;
  auto names = definedDynamicSymbols(vst3BinaryUnderTest(), error);
  ASSERT_TRUE(error.empty()) << error;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
}
#endif

TEST(Vst3Module, ExitWithoutEntryIsRefusedAndPairsOverlap) {
  ASSERT_TRUE(sharedModule().loaded());
  // A second load of the same binary, as a host that loads once per instance does.
  Vst3Module second(vst3BinaryUnderTest());
  ASSERT_TRUE(second.loaded());
  EXPECT_TRUE(second.exit());   // its own entry
  EXPECT_TRUE(second.exit());   // the shared module's entry
  EXPECT_FALSE(second.exit());  // none left
  EXPECT_TRUE(sharedModule().enter());  // the shared module's entry again
  second.enter();
}

TEST(Vst3Layout, InterfaceIdBytesFollowTheTargetsOrder) {
#if defined(_WIN32)
  const unsigned char expected[16] = {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43,
                                      0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(kNoInterface, static_cast<tresult>(0x80004002u));
#else
  const unsigned char expected[16] = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                                      0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(kNoInterface, -1);
#endif
  EXPECT_EQ(std::memcmp(IComponent_iid.data(), expected, 16), 0);
  EXPECT_EQ(sizeof(ProcessData), sizeof(void*) == 4 ? 48u : 80u);
}

TEST_F(FactoryTest, FactoryInfoAndTheOneAudioClass) {
  PFactoryInfo info{};
  ASSERT_EQ(V3CALL(factory, getFactoryInfo, &info), kResultOk);
  EXPECT_STREQ(info.vendor, "Quillmarsh");
  EXPECT_EQ(info.flags, kUnicode);
  ASSERT_EQ(V3CALL(factory, countClasses), 1);

  PClassInfo one{};
  ASSERT_EQ(V3CALL(factory, getClassInfo, 0, &one), kResultOk);
  const auto words = expectedClassWords();
  const TUID cid = makeTuid(words[0], words[1], words[2], words[3]);
  EXPECT_EQ(std::memcmp(one.cid, cid.data(), 16), 0) << "expected class " << hexText(words);
  EXPECT_STREQ(one.category, "Audio Module Class");
  EXPECT_STREQ(one.name, "Quillmarsh_twinfold");
  EXPECT_EQ(one.cardinality, kManyInstances);

  PClassInfo2 two{};
  ASSERT_EQ(V3CALL(factory, getClassInfo2, 0, &two), kResultOk);
  EXPECT_EQ(std::memcmp(two.cid, cid.data(), 16), 0);
  EXPECT_STREQ(two.name, one.name);
  EXPECT_STREQ(two.subCategories, "Fx|Tools");
  EXPECT_STREQ(two.vendor, "Quillmarsh");
  EXPECT_STREQ(two.version, "1.0.0");
  EXPECT_EQ(two.classFlags, 0u);
  EXPECT_EQ(std::string(two.sdkVersion).rfind("VST 3", 0), 0u);

  PClassInfoW wide{};
  ASSERT_EQ(V3CALL(factory, getClassInfoUnicode, 0, &wide), kResultOk);
  EXPECT_EQ(std::memcmp(wide.cid, cid.data(), 16), 0);
  EXPECT_EQ(utf8(wide.name, 64), "Quillmarsh_twinfold");
  EXPECT_EQ(utf8(wide.vendor, 64), "Quillmarsh");
  EXPECT_EQ(utf8(wide.version, 64), "1.0.0");
  EXPECT_STREQ(wide.subCategories, "Fx|Tools");

  EXPECT_EQ(V3CALL(factory, getClassInfo, 1, &one), kInvalidArgument);
  EXPECT_EQ(V3CALL(factory, getClassInfo2, -1, &two), kInvalidArgument);
  EXPECT_EQ(V3CALL(factory, getClassInfoUnicode, 1, &wide), kInvalidArgument);
  EXPECT_EQ(V3CALL(factory, setHostContext, nullptr), kResultOk);
}

TEST_F(FactoryTest, VersionsTwoAndThreeAreTheSameObjectWithBalancedCounts) {
  void* two = nullptr;
  void* three = nullptr;
  ASSERT_EQ(V3CALL(factory, queryInterface, IPluginFactory2_iid.data(), &two), kResultOk);
  ASSERT_EQ(V3CALL(factory, queryInterface, IPluginFactory3_iid.data(), &three), kResultOk);
  EXPECT_EQ(two, factory);
  EXPECT_EQ(three, factory);
  void* refused = &two;
  EXPECT_EQ(V3CALL(factory, queryInterface, IComponent_iid.data(), &refused), kNoInterface);
  EXPECT_EQ(refused, nullptr);
  // A second GetPluginFactory while one is alive hands out the same object.
  IPluginFactory* again = sharedModule().factory();
  EXPECT_EQ(again, factory);
  EXPECT_EQ(V3CALL(again, release), 3u);
  EXPECT_EQ(V3CALL(static_cast<IPluginFactory*>(three), release), 2u);
  EXPECT_EQ(V3CALL(static_cast<IPluginFactory*>(two), release), 1u);
}

TEST_F(FactoryTest, CreatesForEveryAcceptedInterfaceAndRefusesOthers) {
  const TUID cid = firstClassId(factory);
  for (const TUID* iid : {&FUnknown_iid, &IPluginBase_iid, &IComponent_iid, &IAudioProcessor_iid, &IEditController_iid}) {
    void* object = nullptr;
    ASSERT_EQ(V3CALL(factory, createInstance, cid.data(), iid->data(), &object), kResultOk);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(V3CALL(static_cast<FUnknown*>(object), release), 0u);
  }
  void* object = &object;
  EXPECT_EQ(V3CALL(factory, createInstance, cid.data(), IConnectionPoint_iid.data(), &object), kNoInterface);
  EXPECT_EQ(object, nullptr);
  const TUID otherClass = makeTuid(1, 2, 3, 4);
  object = &object;
  EXPECT_EQ(V3CALL(factory, createInstance, otherClass.data(), IComponent_iid.data(), &object), kNoInterface);
  EXPECT_EQ(object, nullptr);
}

#if defined(TWINFOLD_VST3_MODULEINFO)
TEST_F(FactoryTest, ModuleInfoAgreesWithTheFactory) {
  std::ifstream file(TWINFOLD_VST3_MODULEINFO);
  ASSERT_TRUE(file) << TWINFOLD_VST3_MODULEINFO;
  std::stringstream text;
  text << file.rdbuf();
  const std::string json = text.str();
  EXPECT_NE(json.find("\"CID\": \"" + hexText(expectedClassWords()) + "\""), std::string::npos) << json;
  PClassInfo2 info{};
  ASSERT_EQ(V3CALL(factory, getClassInfo2, 0, &info), kResultOk);
  EXPECT_NE(json.find("\"Name\": \"" + std::string(info.name) + "\""), std::string::npos);
  EXPECT_NE(json.find("\"Vendor\": \"" + std::string(info.vendor) + "\""), std::string::npos);
  EXPECT_NE(json.find("\"Version\": \"" + std::string(info.version) + "\""), std::string::npos);
  EXPECT_NE(json.find("\"Category\": \"" + std::string(info.category) + "\""), std::string::npos);
  EXPECT_NE(json.find("\"Cardinality\": 2147483647"), std::string::npos);
}
#endif
