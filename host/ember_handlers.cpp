#include "host/ember_handlers.h"

#include <cmath>
#include <cstring>

#include "host/vest_wrapper.h"

void copyBoundedText(char* buffer, std::string_view text, std::int32_t capacity) noexcept {
  if (!buffer || capacity <= 0) return;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

namespace {

TEmber* runtimeOf(CVeST* wrapper) { return VeSTGetEffect(wrapper); }

// The record of host parameter `index`, or null for an index the host was never given.
const TEmberSlider* sliderOf(TEmber* runtime, std::int32_t index) {
  if (!runtime || index < 0 || static_cast<std::size_t>(index) >= runtime->sliders.size()) return nullptr;
  return &runtime->sliders[static_cast<std::size_t>(index)];
}

TEmberVar& valueOf(TEmber* runtime, const TEmberSlider& slider) {
  return runtime->sliderValues[static_cast<std::uint32_t>(slider.sliderNumber) & 127u];
}

std::int32_t copyDescription(CVeST* wrapper, char* text, std::string TEmber::*field, std::int32_t capacity) {
  TEmber* runtime = runtimeOf(wrapper);
  if (!runtime || !text) return 0;
  copyBoundedText(text, runtime->*field, capacity);
  return 1;
}

}  // namespace

void emberCreate(CVeST* wrapper) {
  TEmber* runtime = runtimeOf(wrapper);
  if (!runtime) return;
  VeSTSetNumInputs(wrapper, runtime->channelCount);
  VeSTSetNumOutputs(wrapper, runtime->channelCount);
  VeSTSetUniqueID(wrapper, runtime->uniqueId);
  VeSTProgramsAreChunks(wrapper, true);
}

void emberDestroy(CVeST* wrapper) {
  if (wrapper) {
    delete wrapper->runtime;
    wrapper->runtime = nullptr;
  }
}

void emberOpen(CVeST* wrapper) {
  if (TEmber* runtime = runtimeOf(wrapper)) runtime->DoOpen();
}
void emberSuspend(CVeST* wrapper) {
  if (TEmber* runtime = runtimeOf(wrapper)) runtime->DoSuspend();
}
void emberResume(CVeST* wrapper) {
  if (TEmber* runtime = runtimeOf(wrapper)) runtime->DoResume();
}
void emberEditorIdle(CVeST* /*wrapper*/) {}
void emberClose(CVeST* wrapper) {
  if (TEmber* runtime = runtimeOf(wrapper)) runtime->DoClose();
}

std::int32_t emberGetVendorVersion(CVeST* wrapper) {
  TEmber* runtime = runtimeOf(wrapper);
  return runtime ? runtime->vendorVersion : 0;
}
std::int32_t emberGetVendorString(CVeST* wrapper, char* text) {
  return copyDescription(wrapper, text, &TEmber::vendorString, kVendorTextBytes);
}
std::int32_t emberGetProductString(CVeST* wrapper, char* text) {
  return copyDescription(wrapper, text, &TEmber::productString, kVendorTextBytes);
}
std::int32_t emberGetEffectName(CVeST* wrapper, char* text) {
  return copyDescription(wrapper, text, &TEmber::effectName, kEffectNameBytes);
}
std::int32_t emberGetProgramName(CVeST* wrapper, char* text) {
  return copyDescription(wrapper, text, &TEmber::programName, kProgramNameBytes);
}

void emberSetProgramName(CVeST* wrapper, const char* text) {
  TEmber* runtime = runtimeOf(wrapper);
  if (!runtime || !text) return;
  // A host text without a NUL is read no further than a program name can be long.
  const void* end = std::memchr(text, '\0', kProgramNameBytes);
  const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                                 : static_cast<std::size_t>(kProgramNameBytes);
  runtime->programName.assign(text, length);
}

std::int32_t emberGetProgramNameIndexed(CVeST* /*wrapper*/, std::int32_t /*category*/, std::int32_t /*index*/,
                                        char* /*text*/) {
  return 0;
}

double emberGetParameter(CVeST* wrapper, std::int32_t index) {
  TEmber* runtime = runtimeOf(wrapper);
  const TEmberSlider* slider = sliderOf(runtime, index);
  if (!slider) return 0.0;
  const double normalised = (valueOf(runtime, *slider) - slider->minimum) / (slider->maximum - slider->minimum);
  return std::isfinite(normalised) ? normalised : 0.0;
}

void emberSetParameter(CVeST* wrapper, std::int32_t index, double x) {
  TEmber* runtime = runtimeOf(wrapper);
  const TEmberSlider* slider = sliderOf(runtime, index);
  if (!slider || !std::isfinite(x)) return;
  const double v = slider->minimum + (slider->maximum - slider->minimum) * x;
  // A slider without a usable step takes the value unquantised.
  const bool quantised = slider->step > 0.0 && std::isfinite(slider->step);
  const double q = quantised ? std::floor((v + slider->step * 0.5) / slider->step) * slider->step : v;
  if (!std::isfinite(q)) return;
  TEmberVar& stored = valueOf(runtime, *slider);
  if (emberEqual(q, stored)) return;
  stored = q;
  if (slider->boundVariable) *slider->boundVariable = q;
  runtime->DoSlider();
}

void emberGetParameterName(CVeST* wrapper, std::int32_t index, char* text) {
  if (const TEmberSlider* slider = sliderOf(runtimeOf(wrapper), index)) copyBoundedText(text, slider->name, kParamNameBytes);
}

void emberGetParameterLabel(CVeST* wrapper, std::int32_t index, char* text) {
  if (const TEmberSlider* slider = sliderOf(runtimeOf(wrapper), index))
    copyBoundedText(text, slider->label, kParamLabelBytes);
}

void emberGetParameterDisplay(CVeST* wrapper, std::int32_t index, char* text) {
  TEmber* runtime = runtimeOf(wrapper);
  const TEmberSlider* slider = sliderOf(runtime, index);
  if (!slider || !text) return;
  copyBoundedText(text, emberSliderDisplay(*slider, valueOf(runtime, *slider)), kParamDisplayBytes);
}

std::int32_t emberGetChunk(CVeST* wrapper, void** data, bool isPreset) {
  TEmber* runtime = runtimeOf(wrapper);
  if (!runtime || !data) return 0;
  return runtime->GetChunk(data, isPreset);
}

std::int32_t emberSetChunk(CVeST* wrapper, void* data, std::int32_t size, bool isPreset) {
  TEmber* runtime = runtimeOf(wrapper);
  if (!runtime || !data || size < 0) return size;
  return runtime->SetChunk(data, size, isPreset);
}
