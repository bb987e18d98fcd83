#include "editions/vst3/factory.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "host/entry_point.h"
#include "editions/vst3/class_info.h"
#include "editions/vst3/plugin.h"
#include "editions/vst3/text16.h"

#ifndef TWINFOLD_VERSION_TEXT
#error "TWINFOLD_VERSION_TEXT must name the build's version"
#endif

namespace vst3 {

namespace {

constexpr const char* kSubCategories = "Fx|Tools";
constexpr const char* kSdkVersion = "VST 3.7.14";

extern const IPluginFactoryTable kFactoryTable;

struct Factory : IPluginFactory {
  Factory(ClassInfo described) : IPluginFactory{&kFactoryTable}, info(std::move(described)) {}
  std::atomic<uint32> references{1};
  ClassInfo info;
};

std::mutex factoryMutex;
Factory* factory = nullptr;

Factory* self(IPluginFactory* face) { return static_cast<Factory*>(face); }

bool sameId(const char* id, const TUID& expected) { return id && std::memcmp(id, expected.data(), 16) == 0; }

tresult V3_API queryInterface(IPluginFactory* face, const char* iid, void** object);
uint32 V3_API addRef(IPluginFactory* face) { return self(face)->references.fetch_add(1) + 1; }

uint32 V3_API release(IPluginFactory* face) {
  const std::lock_guard<std::mutex> lock(factoryMutex);
  const uint32 left = self(face)->references.fetch_sub(1) - 1;
  if (left == 0) {
    if (factory == self(face)) factory = nullptr;
    delete self(face);
  }
  return left;
}

tresult V3_API getFactoryInfo(IPluginFactory* face, PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  *info = {};
  copyText(self(face)->info.vendor, info->vendor);
  info->flags = kUnicode;
  return kResultOk;
}

int32 V3_API countClasses(IPluginFactory* /*face*/) { return 1; }

// The fields the three class-info records share.
template <class Record>
void fillCommon(const ClassInfo& info, Record& record) {
  record = {};
  std::memcpy(record.cid, info.cid.data(), sizeof record.cid);
  record.cardinality = kManyInstances;
  copyText(kVstAudioEffectClass, record.category);
}

tresult V3_API getClassInfo(IPluginFactory* face, int32 index, PClassInfo* record) {
  if (!record || index != 0) return kInvalidArgument;
  fillCommon(self(face)->info, *record);
  copyText(self(face)->info.name, record->name);
  return kResultOk;
}

tresult V3_API getClassInfo2(IPluginFactory* face, int32 index, PClassInfo2* record) {
  if (!record || index != 0) return kInvalidArgument;
  const ClassInfo& info = self(face)->info;
  fillCommon(info, *record);
  copyText(info.name, record->name);
  copyText(kSubCategories, record->subCategories);
  copyText(info.vendor, record->vendor);
  copyText(info.version, record->version);
  copyText(kSdkVersion, record->sdkVersion);
  return kResultOk;
}

tresult V3_API getClassInfoUnicode(IPluginFactory* face, int32 index, PClassInfoW* record) {
  if (!record || index != 0) return kInvalidArgument;
  const ClassInfo& info = self(face)->info;
  fillCommon(info, *record);
  copyUtf16(info.name, record->name);
  copyText(kSubCategories, record->subCategories);
  copyUtf16(info.vendor, record->vendor);
  copyUtf16(info.version, record->version);
  copyUtf16(kSdkVersion, record->sdkVersion);
  return kResultOk;
}

tresult V3_API createInstance(IPluginFactory* face, const char* cid, const char* iid, void** object) {
  if (!object) return kInvalidArgument;
  *object = nullptr;
  if (!sameId(cid, self(face)->info.cid) || !iid) return kNoInterface;
  Plugin* plugin = Plugin::create(&VSTPluginMain);
  if (!plugin) return kInternalError;
  const tresult result = plugin->queryInterface(iid, object);
  plugin->release();  // the caller's reference, if any, is the one the query added
  return result;
}

// Nothing here needs the host's context.
tresult V3_API setHostContext(IPluginFactory* /*face*/, FUnknown* /*context*/) { return kResultOk; }

const IPluginFactoryTable kFactoryTable = {queryInterface, addRef,        release,
                                           getFactoryInfo, countClasses,  getClassInfo,
                                           createInstance, getClassInfo2, getClassInfoUnicode,
                                           setHostContext};

tresult V3_API queryInterface(IPluginFactory* face, const char* iid, void** object) {
  if (!object) return kInvalidArgument;
  *object = nullptr;
  for (const TUID* id : {&FUnknown_iid, &IPluginFactory_iid, &IPluginFactory2_iid, &IPluginFactory3_iid}) {
    if (!sameId(iid, *id)) continue;
    addRef(face);
    *object = face;
    return kResultOk;
  }
  return kNoInterface;
}

}  // namespace

IPluginFactory* acquireFactory() {
  const std::lock_guard<std::mutex> lock(factoryMutex);
  if (factory) {
    factory->references.fetch_add(1);
    return factory;
  }
  ClassInfo info = describeCore(&VSTPluginMain, TWINFOLD_VERSION_TEXT);
  if (!info.valid) return nullptr;
  factory = new Factory(std::move(info));
  return factory;
}

}  // namespace vst3
