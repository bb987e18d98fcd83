#include "hosting/vst3_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace hosting {

using namespace vst3;

std::string vst3BinaryUnderTest() {
  if (const char* path = std::getenv("TWINFOLD_VST3")) return path;
  return TWINFOLD_VST3_PATH;
}

// Module ----------------------------------------------------------------------------

Vst3Module::Vst3Module(const std::string& path) : library_(path) { enter(); }

Vst3Module::~Vst3Module() {
  if (entered_) exit();
}

bool Vst3Module::enter() {
#if defined(_WIN32)
  auto entry = reinterpret_cast<InitDllProc>(library_.symbol("InitDll"));
  entered_ = entry && entry();
#else
  auto entry = reinterpret_cast<ModuleEntryProc>(library_.symbol("ModuleEntry"));
  entered_ = entry && entry(library_.handle());
#endif
  return entered_;
}

bool Vst3Module::exit() {
#if defined(_WIN32)
  auto leave = reinterpret_cast<ExitDllProc>(library_.symbol("ExitDll"));
#else
  auto leave = reinterpret_cast<ModuleExitProc>(library_.symbol("ModuleExit"));
#endif
  entered_ = false;
  return leave && leave();
}

IPluginFactory* Vst3Module::factory() const {
  auto get = reinterpret_cast<GetPluginFactoryProc>(library_.symbol("GetPluginFactory"));
  return get ? get() : nullptr;
}

// Host objects ----------------------------------------------------------------------

namespace {

template <class Self>
tresult V3_API refuseQuery(Self* /*self*/, const char* /*iid*/, void** object) {
  if (object) *object = nullptr;
  return kNoInterface;
}
template <class Self>
uint32 V3_API fixedAddRef(Self*) {
  return 1;
}
template <class Self>
uint32 V3_API fixedRelease(Self*) {
  return 0;
}
template <class Self>
uint32 V3_API countedAddRef(Self* self) {
  return static_cast<uint32>(++static_cast<CountedHostObject<Self>*>(self)->references);
}
template <class Self>
uint32 V3_API countedRelease(Self* self) {
  return static_cast<uint32>(--static_cast<CountedHostObject<Self>*>(self)->references);
}

MemoryStream& streamOf(IBStream* self) { return *static_cast<MemoryStream*>(self); }

tresult V3_API streamRead(IBStream* self, void* buffer, int32 size, int32* done) {
  MemoryStream& stream = streamOf(self);
  ++stream.reads;
  const std::size_t left = stream.bytes.size() - std::min(stream.position, stream.bytes.size());
  const std::size_t n = std::min({left, static_cast<std::size_t>(std::max(size, 0)), static_cast<std::size_t>(stream.chunk)});
  if (n) std::memcpy(buffer, stream.bytes.data() + stream.position, n);
  stream.position += n;
  if (done) *done = static_cast<int32>(n);
  return stream.falseWhenShort && n < static_cast<std::size_t>(std::max(size, 0)) ? kResultFalse : kResultOk;
}

tresult V3_API streamWrite(IBStream* self, void* buffer, int32 size, int32* done) {
  MemoryStream& stream = streamOf(self);
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(size, 0)), static_cast<std::size_t>(stream.chunk));
  if (stream.bytes.size() < stream.position + n) stream.bytes.resize(stream.position + n);
  if (n) std::memcpy(stream.bytes.data() + stream.position, buffer, n);
  stream.position += n;
  if (done) *done = static_cast<int32>(n);
  return kResultOk;
}

// Plug-ins must not seek or tell: the hosts that matter refuse them on these streams.
tresult V3_API streamSeek(IBStream*, int64, int32, int64*) { return kNotImplemented; }
tresult V3_API streamTell(IBStream*, int64*) { return kNotImplemented; }

const IBStreamTable kStreamTable = {refuseQuery<IBStream>, fixedAddRef<IBStream>, fixedRelease<IBStream>,
                                    streamRead,            streamWrite,           streamSeek,
                                    streamTell};

ParameterChanges::Queue& queueOf(IParamValueQueue* self) { return *static_cast<ParameterChanges::Queue*>(self); }

ParamID V3_API queueId(IParamValueQueue* self) { return queueOf(self).id; }
int32 V3_API queuePointCount(IParamValueQueue* self) {
  const auto& queue = queueOf(self);
  return queue.claimedPoints.value_or(static_cast<int32>(queue.points.size()));
}
tresult V3_API queuePoint(IParamValueQueue* self, int32 index, int32* offset, double* value) {
  const auto& points = queueOf(self).points;
  if (index < 0 || static_cast<std::size_t>(index) >= points.size()) return kInvalidArgument;
  *offset = points[index].offset;
  *value = points[index].value;
  return kResultOk;
}
tresult V3_API queueAddPoint(IParamValueQueue*, int32, double, int32*) { return kResultFalse; }

const IParamValueQueueTable kQueueTable = {refuseQuery<IParamValueQueue>, fixedAddRef<IParamValueQueue>,
                                           fixedRelease<IParamValueQueue>, queueId,
                                           queuePointCount,                queuePoint,
                                           queueAddPoint};

ParameterChanges& changesOf(IParameterChanges* self) { return *static_cast<ParameterChanges*>(self); }
int32 V3_API changesCount(IParameterChanges* self) {
  const auto& changes = changesOf(self);
  return changes.claimedCount.value_or(static_cast<int32>(changes.queues.size()));
}
IParamValueQueue* V3_API changesData(IParameterChanges* self, int32 index) {
  auto& queues = changesOf(self).queues;
  return index >= 0 && static_cast<std::size_t>(index) < queues.size() ? &queues[index] : nullptr;
}
IParamValueQueue* V3_API changesAdd(IParameterChanges*, const ParamID*, int32*) { return nullptr; }

const IParameterChangesTable kChangesTable = {refuseQuery<IParameterChanges>, fixedAddRef<IParameterChanges>,
                                              fixedRelease<IParameterChanges>, changesCount,
                                              changesData,                     changesAdd};

tresult V3_API hostName(IHostApplication*, char16* name) {
  const char16 text[] = u"twinfold test host";
  std::memcpy(name, text, sizeof text);
  return kResultOk;
}
tresult V3_API hostCreate(IHostApplication*, char*, char*, void** object) {
  *object = nullptr;
  return kResultFalse;
}
const IHostApplicationTable kHostTable = {refuseQuery<IHostApplication>, countedAddRef<IHostApplication>,
                                          countedRelease<IHostApplication>, hostName, hostCreate};

tresult V3_API handlerEdit(IComponentHandler* self, ParamID) {
  ++static_cast<ComponentHandler*>(self)->edits;
  return kResultOk;
}
tresult V3_API handlerPerform(IComponentHandler* self, ParamID, double) {
  ++static_cast<ComponentHandler*>(self)->edits;
  return kResultOk;
}
tresult V3_API handlerRestart(IComponentHandler*, int32) { return kResultOk; }
const IComponentHandlerTable kHandlerTable = {refuseQuery<IComponentHandler>, countedAddRef<IComponentHandler>,
                                              countedRelease<IComponentHandler>, handlerEdit,
                                              handlerPerform,                    handlerEdit,
                                              handlerRestart};

}  // namespace

MemoryStream::MemoryStream(std::vector<unsigned char> data, std::int32_t readChunk)
    : IBStream{&kStreamTable}, bytes(std::move(data)), chunk(readChunk) {}

ParameterChanges::ParameterChanges() : IParameterChanges{&kChangesTable} {}

void ParameterChanges::add(ParamID id, std::vector<Point> points) {
  Queue queue;
  queue.table = &kQueueTable;
  queue.id = id;
  queue.points = std::move(points);
  queues.push_back(std::move(queue));
}

HostApplication::HostApplication() { table = &kHostTable; }
ComponentHandler::ComponentHandler() { table = &kHandlerTable; }

// Instance --------------------------------------------------------------------------

TUID firstClassId(IPluginFactory* factory) {
  PClassInfo info{};
  TUID id{};
  if (factory && V3CALL(factory, getClassInfo, 0, &info) == kResultOk) std::memcpy(id.data(), info.cid, 16);
  return id;
}

std::string utf8(const char16* text, std::size_t capacity) {
  std::string out;
  for (std::size_t i = 0; i < capacity && text[i]; ++i) out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  return out;
}

Vst3Instance::Vst3Instance(IPluginFactory* factory, const TUID& iid) {
  void* object = nullptr;
  if (!factory || V3CALL(factory, createInstance, firstClassId(factory).data(), iid.data(), &object) != kResultOk)
    return;
  // Whatever face was asked for, the host works with the component.
  auto* unknown = static_cast<FUnknown*>(object);
  void* face = nullptr;
  if (V3CALL(unknown, queryInterface, IComponent_iid.data(), &face) == kResultOk) component = static_cast<IComponent*>(face);
  V3CALL(unknown, release);
  if (!component) return;
  if (V3CALL(component, queryInterface, IAudioProcessor_iid.data(), &face) == kResultOk)
    processor = static_cast<IAudioProcessor*>(face);
  if (V3CALL(component, queryInterface, IEditController_iid.data(), &face) == kResultOk)
    controller = static_cast<IEditController*>(face);
}

Vst3Instance::~Vst3Instance() { releaseAll(); }

std::uint32_t Vst3Instance::releaseAll() {
  std::uint32_t left = 0;
  if (processor) left = V3CALL(processor, release);
  if (controller) left = V3CALL(controller, release);
  if (component) left = V3CALL(component, release);
  processor = nullptr;
  controller = nullptr;
  component = nullptr;
  return left;
}

void Vst3Instance::start(double rate, std::int32_t maxBlock, std::int32_t sampleSize) {
  V3CALL(component, initialize, nullptr);
  ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
  V3CALL(processor, setupProcessing, &setup);
  V3CALL(component, setActive, 1);
  V3CALL(processor, setProcessing, 1);
}

tresult Vst3Instance::setState(std::vector<unsigned char> bytes, std::int32_t chunk) {
  MemoryStream stream(std::move(bytes), chunk);
  return V3CALL(component, setState, &stream);
}

std::vector<unsigned char> Vst3Instance::getState() {
  MemoryStream stream;
  return V3CALL(component, getState, &stream) == kResultOk ? stream.bytes : std::vector<unsigned char>{};
}

template <class Sample>
tresult Vst3Instance::process(Sample** in, Sample** out, std::int32_t frames, IParameterChanges* changes,
                              ProcessContext* context) {
  AudioBusBuffers inputs{};
  AudioBusBuffers outputs{};
  inputs.numChannels = 2;
  outputs.numChannels = 2;
  ProcessData data{};
  data.processMode = kRealtime;
  data.numSamples = frames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &inputs;
  data.outputs = &outputs;
  data.inputParameterChanges = changes;
  data.processContext = context;
  if constexpr (sizeof(Sample) == sizeof(float)) {
    data.symbolicSampleSize = kSample32;
    inputs.channelBuffers32 = in;
    outputs.channelBuffers32 = out;
  } else {
    data.symbolicSampleSize = kSample64;
    inputs.channelBuffers64 = in;
    outputs.channelBuffers64 = out;
  }
  return V3CALL(processor, process, &data);
}

template tresult Vst3Instance::process<float>(float**, float**, std::int32_t, IParameterChanges*, ProcessContext*);
template tresult Vst3Instance::process<double>(double**, double**, std::int32_t, IParameterChanges*,
                                               ProcessContext*);

}  // namespace hosting
