// The object's plumbing: trampolines from each interface table to the operations of
// Plugin, the interface lookup and the reference count.
#include <cstring>
#include <type_traits>

#include "host/call_guard.h"
#include "editions/vst3/plugin.h"

namespace vst3 {

namespace {

// What a call answers when its body throws: kResultFalse for a result code, nothing
// (0, 0.0, null) for a count, a value or an object. The two counts say so themselves,
// since a count and a result code are both int32.
struct ResultRefusal {};

template <class R, auto refusal>
constexpr R refusalOf() {
  if constexpr (!std::is_same_v<std::remove_cv_t<decltype(refusal)>, ResultRefusal>) return R(refusal);
  else if constexpr (std::is_same_v<R, tresult>) return kResultFalse;
  else return R();
}

// One trampoline per operation: recovers the object from the face the host called
// through and forwards the arguments; no exception gets out.
template <class Table, class Method, Method method, auto refusal>
struct Trampoline;

template <class Table, class R, class... Args, R (Plugin::*method)(Args...), auto refusal>
struct Trampoline<Table, R (Plugin::*)(Args...), method, refusal> {
  static R V3_API call(Interface<Table>* self, Args... args) {
    return guardedCall<R>(refusalOf<R, refusal>(),
                          [&] { return (static_cast<Face<Table>*>(self)->owner->*method)(args...); });
  }
};

#define TWINFOLD_V3_ANSWER(Table, name, refusal) \
  &Trampoline<Table, decltype(&Plugin::name), &Plugin::name, refusal>::call
#define TWINFOLD_V3(Table, name) TWINFOLD_V3_ANSWER(Table, name, ResultRefusal{})

#define TWINFOLD_V3_FUNKNOWN(Table) \
  TWINFOLD_V3(Table, queryInterface), TWINFOLD_V3(Table, addRef), TWINFOLD_V3(Table, release)

constexpr IComponentTable kComponentTable = {
    TWINFOLD_V3_FUNKNOWN(IComponentTable),
    TWINFOLD_V3(IComponentTable, initialize),
    TWINFOLD_V3(IComponentTable, terminate),
    TWINFOLD_V3(IComponentTable, getControllerClassId),
    TWINFOLD_V3(IComponentTable, setIoMode),
    TWINFOLD_V3_ANSWER(IComponentTable, getBusCount, int32{0}),
    TWINFOLD_V3(IComponentTable, getBusInfo),
    TWINFOLD_V3(IComponentTable, getRoutingInfo),
    TWINFOLD_V3(IComponentTable, activateBus),
    TWINFOLD_V3(IComponentTable, setActive),
    TWINFOLD_V3(IComponentTable, componentSetState),
    TWINFOLD_V3(IComponentTable, componentGetState),
};

constexpr IAudioProcessorTable kProcessorTable = {
    TWINFOLD_V3_FUNKNOWN(IAudioProcessorTable),
    TWINFOLD_V3(IAudioProcessorTable, setBusArrangements),
    TWINFOLD_V3(IAudioProcessorTable, getBusArrangement),
    TWINFOLD_V3(IAudioProcessorTable, canProcessSampleSize),
    TWINFOLD_V3(IAudioProcessorTable, getLatencySamples),
    TWINFOLD_V3(IAudioProcessorTable, setupProcessing),
    TWINFOLD_V3(IAudioProcessorTable, setProcessing),
    TWINFOLD_V3(IAudioProcessorTable, process),
    TWINFOLD_V3(IAudioProcessorTable, getTailSamples),
};

constexpr IProcessContextRequirementsTable kRequirementsTable = {
    TWINFOLD_V3_FUNKNOWN(IProcessContextRequirementsTable),
    TWINFOLD_V3(IProcessContextRequirementsTable, getProcessContextRequirements),
};

constexpr IEditControllerTable kControllerTable = {
    TWINFOLD_V3_FUNKNOWN(IEditControllerTable),
    TWINFOLD_V3(IEditControllerTable, initialize),
    TWINFOLD_V3(IEditControllerTable, terminate),
    TWINFOLD_V3(IEditControllerTable, setComponentState),
    TWINFOLD_V3(IEditControllerTable, controllerSetState),
    TWINFOLD_V3(IEditControllerTable, controllerGetState),
    TWINFOLD_V3_ANSWER(IEditControllerTable, getParameterCount, int32{0}),
    TWINFOLD_V3(IEditControllerTable, getParameterInfo),
    TWINFOLD_V3(IEditControllerTable, getParamStringByValue),
    TWINFOLD_V3(IEditControllerTable, getParamValueByString),
    TWINFOLD_V3(IEditControllerTable, normalizedParamToPlain),
    TWINFOLD_V3(IEditControllerTable, plainParamToNormalized),
    TWINFOLD_V3(IEditControllerTable, getParamNormalized),
    TWINFOLD_V3(IEditControllerTable, setParamNormalized),
    TWINFOLD_V3(IEditControllerTable, setComponentHandler),
    TWINFOLD_V3(IEditControllerTable, createView),
};

#undef TWINFOLD_V3_FUNKNOWN
#undef TWINFOLD_V3
#undef TWINFOLD_V3_ANSWER

bool sameId(const char* iid, const TUID& id) { return std::memcmp(iid, id.data(), id.size()) == 0; }

}  // namespace

Plugin* Plugin::create(hosting::EntryFunction entry) {
  auto* plugin = new Plugin(entry);
  if (plugin->core_.valid()) return plugin;
  delete plugin;
  return nullptr;
}

Plugin::Plugin(hosting::EntryFunction entry)
    : component_{{&kComponentTable}, this},
      processor_{{&kProcessorTable}, this},
      controller_{{&kControllerTable}, this},
      requirements_{{&kRequirementsTable}, this},
      entry_(entry),
      core_(entry) {
  if (!core_.valid()) return;
  identity_ = {core_.uniqueId(), core_.numParams(), core_.effect()->numPrograms};
  defaultValue_ = core_.getParameter(0);
  controllerValue_.store(defaultValue_);
  // The core's time comes from the host's context, filled into time_ each block.
  time_.restart(sampleRate_);
  core_.host().setTimeInfo(time_.info());
  core_.setSampleRate(sampleRate_);
  core_.setBlockSize(maxBlock_);
}

tresult Plugin::queryInterface(const char* iid, void** object) {
  if (!object) return kInvalidArgument;
  *object = nullptr;
  if (!iid) return kNoInterface;
  // FUnknown and IPluginBase always answer the component's pointer, so one object
  // has one identity. IConnectionPoint is refused: hosts would connect the object to
  // itself.
  const struct {
    const TUID& id;
    void* face;
  } faces[] = {
      {FUnknown_iid, &component_},       {IPluginBase_iid, &component_},
      {IComponent_iid, &component_},     {IAudioProcessor_iid, &processor_},
      {IEditController_iid, &controller_}, {IProcessContextRequirements_iid, &requirements_},
  };
  for (const auto& face : faces) {
    if (!sameId(iid, face.id)) continue;
    addRef();
    *object = face.face;
    return kResultOk;
  }
  return kNoInterface;
}

uint32 Plugin::addRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 Plugin::release() {
  const uint32 left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

}  // namespace vst3
