#include "host/core_host/core_host.h"

#include <array>

namespace {

constexpr VstIntPtr kHostVersion = 2400;
// Larger than any text the VST 2.4 limits allow; the core is ours, but its answers are
// still cut at this size and terminated.
constexpr std::size_t kTextCapacity = 256;

}  // namespace

CoreHost::CoreHost(CoreEntry entry) {
  time_.sampleRate = 44100.0;
  if (!entry) return;
  effect_ = entry(&CoreHost::hostCallback);
  if (!effect_ || effect_->magic != kEffectMagic) {
    effect_ = nullptr;
    return;
  }
  // The field the interface reserves for the host: how the callback finds its instance.
  effect_->resvd1 = reinterpret_cast<VstIntPtr>(this);
  dispatch(effOpen);
}

CoreHost::~CoreHost() {
  if (!effect_) return;
  suspend();
  dispatch(effClose);
}

VstIntPtr VSTCALLBACK CoreHost::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/,
                                             VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
  // The time first: the core asks for it four times per block.
  if (opcode == audioMasterGetTime) {
    auto* self = effect ? reinterpret_cast<CoreHost*>(effect->resvd1) : nullptr;
    return self ? reinterpret_cast<VstIntPtr>(&self->time_) : 0;
  }
  return opcode == audioMasterVersion ? kHostVersion : 0;
}

VstIntPtr CoreHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const {
  return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void CoreHost::setSampleRate(double rate) {
  time_.sampleRate = rate;
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void CoreHost::setBlockSize(VstInt32 frames) { dispatch(effSetBlockSize, 0, frames); }

void CoreHost::resume() {
  if (!effect_ || active_) return;
  active_ = true;
  dispatch(effMainsChanged, 0, 1);
}

void CoreHost::suspend() {
  if (!effect_ || !active_) return;
  active_ = false;
  dispatch(effMainsChanged, 0, 0);
}

VstInt32 CoreHost::numInputs() const { return effect_ ? effect_->numInputs : 0; }
VstInt32 CoreHost::numOutputs() const { return effect_ ? effect_->numOutputs : 0; }
VstInt32 CoreHost::numParams() const { return effect_ ? effect_->numParams : 0; }
VstInt32 CoreHost::uniqueId() const { return effect_ ? effect_->uniqueID : 0; }
VstInt32 CoreHost::initialDelay() const { return effect_ ? effect_->initialDelay : 0; }

void CoreHost::setParameter(VstInt32 index, float value) {
  if (effect_) effect_->setParameter(effect_, index, value);
}

float CoreHost::getParameter(VstInt32 index) const { return effect_ ? effect_->getParameter(effect_, index) : 0.0f; }

void CoreHost::process(float** inputs, float** outputs, VstInt32 frames) {
  if (!effect_ || frames < 0) return;
  effect_->processReplacing(effect_, inputs, outputs, frames);
  time_.samplePos += frames;
}

void CoreHost::process(double** inputs, double** outputs, VstInt32 frames) {
  if (!effect_ || frames < 0 || !effect_->processDoubleReplacing) return;
  effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
  time_.samplePos += frames;
}

bool CoreHost::canProcessDouble() const {
  return effect_ && (effect_->flags & effFlagsCanDoubleReplacing) && effect_->processDoubleReplacing;
}

std::string CoreHost::text(VstInt32 opcode, VstInt32 index) const {
  std::array<char, kTextCapacity> buffer{};
  dispatch(opcode, index, 0, buffer.data());
  buffer.back() = '\0';
  return buffer.data();
}

std::string CoreHost::effectName() const { return text(effGetEffectName, 0); }
std::string CoreHost::vendorName() const { return text(effGetVendorString, 0); }
std::string CoreHost::productName() const { return text(effGetProductString, 0); }
VstInt32 CoreHost::vendorVersion() const { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
std::string CoreHost::parameterName(VstInt32 index) const { return text(effGetParamName, index); }
std::string CoreHost::parameterLabel(VstInt32 index) const { return text(effGetParamLabel, index); }
std::string CoreHost::parameterDisplay(VstInt32 index) const { return text(effGetParamDisplay, index); }

CoreHost::Chunk CoreHost::saveChunk(bool preset) {
  void* data = nullptr;
  const VstIntPtr size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (!data || size <= 0) return {};
  return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(size)};
}

VstIntPtr CoreHost::restoreChunk(const void* data, std::size_t size, bool preset) {
  if (!data || size == 0 || size > static_cast<std::size_t>(INT32_MAX)) return 0;
  return dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(size), const_cast<void*>(data));
}
