// One VST 2.4 plug-in instance hosted offline: loaded through its exported entry point,
// opened on construction and closed (after a suspend when it was resumed) on destruction,
// so effClose runs on every way out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/vst/vst2_abi.h"
#include "tools/render/host_callback.h"

class PluginInstance {
 public:
  // Throws RenderError when the file is missing, cannot be loaded, exports no entry
  // point, or its entry point answers no valid record.
  explicit PluginInstance(const std::string& path);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  const std::string& path() const { return path_; }
  const AEffect& record() const { return *effect_; }
  HostContext& host() { return *host_; }

  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // A text answer, read from a generously sized buffer (plug-ins overrun the standard's sizes).
  std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

  std::int32_t numParams() const { return effect_->numParams; }
  std::int32_t numPrograms() const { return effect_->numPrograms; }
  std::int32_t numInputs() const { return effect_->numInputs; }
  std::int32_t numOutputs() const { return effect_->numOutputs; }
  bool hasFlag(VstInt32 flag) const { return (effect_->flags & flag) != 0; }
  bool takesChunks() const { return hasFlag(effFlagsProgramChunks); }
  bool canProcessDouble() const { return hasFlag(effFlagsCanDoubleReplacing) && effect_->processDoubleReplacing; }
  // Frames the output lags the input (initialDelay), read fresh: plug-ins may change it on resume.
  std::int32_t latency() const { return effect_->initialDelay; }
  // The effGetTailSize answer: 0 not reported, 1 no tail, else frames that keep sounding.
  VstIntPtr tailSize() { return dispatch(effGetTailSize); }

  std::string effectName() { return text(effGetEffectName); }
  // The name a report shows: the effect name, else the product, else the file name.
  std::string displayName();
  std::int32_t pluginVersion();
  std::string programName() { return text(effGetProgramName); }
  void setProgramName(const std::string& name);

  float parameter(std::int32_t index) const { return effect_->getParameter(effect_, index); }
  void setParameter(std::int32_t index, float value) { effect_->setParameter(effect_, index, value); }
  std::string parameterName(std::int32_t index) { return text(effGetParamName, index); }
  std::string parameterLabel(std::int32_t index) { return text(effGetParamLabel, index); }
  std::string parameterDisplay(std::int32_t index) { return text(effGetParamDisplay, index); }

  // The state the plug-in hands out through effGetChunk (empty when it has none).
  std::vector<std::uint8_t> chunk(bool singleProgram);
  void setChunk(const std::vector<std::uint8_t>& data, bool singleProgram);

  // Sample rate, block size and precision go in while suspended; resume() starts
  // processing with the transport at zero.
  void prepare(double sampleRate, std::int32_t blockSize, bool doublePrecision);
  void resume();
  void suspend();
  bool resumed() const { return resumed_; }

  // One block; the plug-in's accumulating process() is used when it cannot replace.
  void process(float** inputs, float** outputs, std::int32_t frames);
  void process(double** inputs, double** outputs, std::int32_t frames);

 private:
  class Library;

  std::string path_;
  std::unique_ptr<Library> library_;
  std::unique_ptr<HostContext> host_;
  AEffect* effect_ = nullptr;
  bool resumed_ = false;
};
