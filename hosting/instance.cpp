#include "hosting/instance.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace hosting {

Instance::Instance(EntryFunction entry, Host* host, Opening opening)
    : ownHost_(host ? nullptr : std::make_unique<Host>()), host_(host ? host : ownHost_.get()) {
  create(entry, opening);
}

Instance::Instance(std::unique_ptr<Module> module, Host* host, Opening opening)
    : module_(std::move(module)),
      ownHost_(host ? nullptr : std::make_unique<Host>()),
      host_(host ? host : ownHost_.get()) {
  create(module_ ? module_->pluginEntry() : nullptr, opening);
}

void Instance::create(EntryFunction entry, Opening opening) {
  if (!entry) {
    failure_ = Failure::noEntry;
    return;
  }
  AEffect* created = host_->create(entry);
  if (!created) {
    failure_ = Failure::noInstance;
    return;
  }
  if (created->magic != kEffectMagic || !created->dispatcher) {
    failure_ = Failure::notAnEffect;
    return;
  }
  effect_ = created;
  if (opening == Opening::onCreation) dispatch(effOpen);
}

VstIntPtr Instance::close() {
  if (!effect_) return 0;
  suspend();
  const VstIntPtr answer = dispatch(effClose);
  effect_ = nullptr;
  return answer;
}

VstIntPtr Instance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const {
  return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void Instance::setSampleRate(double rate) {
  host_->clock().setSampleRate(rate);
  host_->clock().restart();
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void Instance::setBlockSize(VstInt32 frames) {
  host_->clock().setBlockSize(frames);
  dispatch(effSetBlockSize, 0, frames);
}

void Instance::setProcessPrecision(bool doublePrecision) {
  dispatch(effSetProcessPrecision, 0, doublePrecision ? 1 : 0);  // 64-bit : 32-bit
}

void Instance::resume() {
  if (!effect_ || active_) return;
  active_ = true;
  host_->clock().restart();
  dispatch(effMainsChanged, 0, 1);
  dispatch(effStartProcess);
  if (levelWhileActive_ != 0) host_->setProcessLevel(levelWhileActive_);
}

void Instance::suspend() {
  if (!effect_ || !active_) return;
  active_ = false;
  if (levelWhileActive_ != 0) host_->setProcessLevel(kProcessLevelUser);
  dispatch(effStopProcess);
  dispatch(effMainsChanged, 0, 0);
}

bool Instance::canProcessDouble() const { return hasFlag(effFlagsCanDoubleReplacing) && effect_->processDoubleReplacing; }

void Instance::setParameter(VstInt32 index, float value) {
  if (effect_ && effect_->setParameter) effect_->setParameter(effect_, index, value);
}

float Instance::getParameter(VstInt32 index) const {
  return effect_ && effect_->getParameter ? effect_->getParameter(effect_, index) : 0.0f;
}

// A plug-in without processReplacing: its accumulating process() over zeroed outputs.
[[gnu::cold, gnu::noinline]] static void processAccumulating(AEffect* effect, float** inputs, float** outputs,
                                                             VstInt32 frames) {
  if (!effect->process) return;
  for (VstInt32 channel = 0; channel < effect->numOutputs; ++channel) std::fill_n(outputs[channel], frames, 0.0f);
  effect->process(effect, inputs, outputs, frames);
}

// The plug-in's float call: replacing when it can, else accumulating.
static inline void runFloat(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  if (effect->processReplacing && (effect->flags & effFlagsCanReplacing)) [[likely]]
    effect->processReplacing(effect, inputs, outputs, frames);
  else
    processAccumulating(effect, inputs, outputs, frames);
}

static inline void runDouble(AEffect* effect, double** inputs, double** outputs, VstInt32 frames) {
  effect->processDoubleReplacing(effect, inputs, outputs, frames);
}

// A block whose time answers come from the clock, apart from the blocks of a host whose
// owner fills the record (every edition), which thus keep less live across the call.
template <class Sample, void (*run)(AEffect*, Sample**, Sample**, VstInt32)>
[[gnu::noinline]] static void processOnClock(Host& host, AEffect* effect, Sample** inputs, Sample** outputs,
                                             VstInt32 frames) {
  const BlockOnThisThread block(host);
  Clock& clock = host.clock();
  clock.beginBlock();
  run(effect, inputs, outputs, frames);
  clock.advance(frames);
}

void Instance::process(float** inputs, float** outputs, VstInt32 frames) {
  AEffect* const effect = effect_;
  if (!effect || frames < 0) return;
  if (host_->answersFromClock()) return processOnClock<float, runFloat>(*host_, effect, inputs, outputs, frames);
  const BlockOnThisThread block(*host_);
  runFloat(effect, inputs, outputs, frames);
}

void Instance::process(double** inputs, double** outputs, VstInt32 frames) {
  AEffect* const effect = effect_;
  if (!effect || frames < 0 || !effect->processDoubleReplacing) return;
  if (host_->answersFromClock()) return processOnClock<double, runDouble>(*host_, effect, inputs, outputs, frames);
  const BlockOnThisThread block(*host_);
  runDouble(effect, inputs, outputs, frames);
}

std::string readText(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, char* buffer,
                     std::size_t capacity) {
  if (!effect || !buffer || capacity == 0) return {};
  std::memset(buffer, 0, capacity);
  effect->dispatcher(effect, opcode, index, value, buffer, 0.0f);
  return std::string(buffer, std::find(buffer, buffer + capacity - 1, '\0'));
}

std::string Instance::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) const {
  std::array<char, kTextCapacity> buffer;
  return readText(effect_, opcode, index, value, buffer.data(), buffer.size());
}

VstInt32 Instance::pluginVersion() const {
  const VstInt32 vendor = vendorVersion();
  return vendor != 0 || !effect_ ? vendor : effect_->version;
}

void Instance::setProgramName(const std::string& name) {
  std::array<char, kTextCapacity> buffer{};
  std::copy_n(name.begin(), std::min(name.size(), buffer.size() - 1), buffer.begin());
  dispatch(effSetProgramName, 0, 0, buffer.data());
}

Instance::Chunk Instance::saveChunk(bool preset) {
  void* data = nullptr;
  const VstIntPtr size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (!data || size <= 0) return {};
  return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(size)};
}

VstIntPtr Instance::restoreChunk(const void* data, std::size_t size, bool preset) {
  if (!data || size == 0 || size > static_cast<std::size_t>(INT32_MAX)) return 0;
  return dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(size), const_cast<void*>(data));
}

}  // namespace hosting
