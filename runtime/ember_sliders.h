// Sliders, sample variables and the effect description layers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ember_base.h"
#include "runtime/ember_numeric.h"

inline constexpr int kEmberSliderCount = 128;
inline constexpr int kEmberSampleVarCount = 64;

class CEmberSliders : public CEmberVeST {
 public:
  virtual void DoSlider() {}

  // Slider n lives at element n; element 0 belongs to no declared slider.
  std::array<TEmberVar, kEmberSliderCount> sliderValues{};

  // Slider access by script number: integer conversion, masked to 0..127.
  TEmberVar& sliderAt(double n) noexcept { return sliderValues[static_cast<std::uint32_t>(emberInt(n)) & 127u]; }

 protected:
  ~CEmberSliders() = default;
};

class CEmberSamples : public CEmberSliders {
 public:
  virtual void DoBlock() {}
  virtual void DoSample() {}
  // The sample section over a block of `frames` frames of `channels` buffers each.
  // This body is the literal loop: each frame's inputs into sampleVars, DoSample, the
  // outputs out. An effect may run its section over the whole block at once instead,
  // as long as the outputs and what it leaves in its variables are the same.
  virtual void DoSampleBlock(const float* const* inputs, float* const* outputs, std::int32_t channels,
                             std::int32_t frames);
  virtual void DoSampleBlock(const double* const* inputs, double* const* outputs, std::int32_t channels,
                             std::int32_t frames);
  // One processing call: the block section, then, when there are frames and every
  // buffer of the `channels` given is there, the sample section over the block. One
  // virtual call for both, so an effect may run them without the calls between.
  virtual void DoProcess(const float* const* inputs, float* const* outputs, std::int32_t channels,
                         std::int32_t frames);
  virtual void DoProcess(const double* const* inputs, double* const* outputs, std::int32_t channels,
                         std::int32_t frames);

  // Channel c of the current frame; only the audio thread touches these.
  std::array<double, kEmberSampleVarCount> sampleVars{};

 protected:
  ~CEmberSamples() = default;

 private:
  template <class Sample>
  void processFrames(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels,
                     std::int32_t frames);
  template <class Sample>
  void sampleFrames(const Sample* const* inputs, Sample* const* outputs, std::int32_t channels,
                    std::int32_t frames);
};

struct TEmberSlider {
  std::vector<std::string> valueNames;
  bool resolved = false;
  std::int32_t sliderNumber = 0;
  TEmberVar* boundVariable = nullptr;
  double defaultValue = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  double step = 0.0;
  std::string directory;
  std::string extraText;
  std::string label;
  std::string name;
};

class CEmberDescription : public CEmberSamples {
 public:
  std::vector<TEmberSlider> sliders;
  std::string effectName;
  std::string productString;
  std::string vendorString;
  std::string programName;
  std::int32_t vendorVersion = 0;
  std::int32_t uniqueId = 0;
  std::int32_t channelCount = 0;

  // Appends a declared slider (its value names still empty) and gives it the
  // script's enumerated names, in order.
  void registerSlider(TEmberSlider record, const std::vector<std::string>& enumNames);

 protected:
  ~CEmberDescription() = default;
};

// Display text of a slider at value v, as the host is shown it.
std::string emberSliderDisplay(const TEmberSlider& slider, double v);
