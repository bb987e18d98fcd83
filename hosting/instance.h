// One VST 2.4 plug-in instance as a host holds it: created through an entry function
// (in-process, as the editions host their core) or a loaded module, opened on
// construction (or by the caller), suspended and closed on destruction, and driven only
// through AEffect. Users that add something of their own derive from it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "hosting/host.h"
#include "hosting/module.h"

namespace hosting {

class Instance {
 public:
  enum class Failure { none, noEntry, noInstance, notAnEffect };
  // effOpen on construction, as a host does; or left to the caller, for the tests and
  // fuzzers that script every call from the first on.
  enum class Opening { onCreation, byCaller };

  // `host` answers the instance's calls and keeps its clock; by default one of its own.
  explicit Instance(EntryFunction entry, Host* host = nullptr, Opening opening = Opening::onCreation);
  // The module's entry point; the instance keeps the module loaded while it lives.
  explicit Instance(std::unique_ptr<Module> module, Host* host = nullptr, Opening opening = Opening::onCreation);
  ~Instance() { close(); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool valid() const { return effect_ != nullptr; }
  explicit operator bool() const { return valid(); }
  Failure failure() const { return failure_; }
  AEffect* effect() const { return effect_; }
  Host& host() { return *host_; }

  // Configuration, while suspended. The rate also drives the time the plug-in is told.
  void setSampleRate(double rate);
  void setBlockSize(VstInt32 frames);
  void setProcessPrecision(bool doublePrecision);
  // Starts processing with the clock at zero; suspend() stops it.
  void resume();
  void suspend();
  bool active() const { return active_; }
  // The process level the host reports from resume() on; suspend() (also the one on
  // destruction) sets the user level again before the plug-in is told.
  void setProcessLevelWhileActive(VstInt32 level) { levelWhileActive_ = level; }
  // effClose, after a suspend when resumed; the instance is gone afterwards. Answers
  // what the plug-in answered, 0 when there was no instance.
  VstIntPtr close();

  VstInt32 numInputs() const { return effect_ ? effect_->numInputs : 0; }
  VstInt32 numOutputs() const { return effect_ ? effect_->numOutputs : 0; }
  VstInt32 numParams() const { return effect_ ? effect_->numParams : 0; }
  VstInt32 numPrograms() const { return effect_ ? effect_->numPrograms : 0; }
  VstInt32 uniqueId() const { return effect_ ? effect_->uniqueID : 0; }
  // Frames the output lags the input, read fresh: plug-ins may change it on resume.
  VstInt32 initialDelay() const { return effect_ ? effect_->initialDelay : 0; }
  bool hasFlag(VstInt32 flag) const { return effect_ && (effect_->flags & flag) != 0; }
  bool takesChunks() const { return hasFlag(effFlagsProgramChunks); }
  bool canProcessDouble() const;
  // The effGetTailSize answer: 0 not reported, 1 no tail, else frames that keep sounding.
  VstIntPtr tailSize() const { return dispatch(effGetTailSize); }

  void setParameter(VstInt32 index, float value);
  float getParameter(VstInt32 index) const;

  // One processing call over the caller's buffers (in place allowed); the clock the
  // plug-in's time queries see advances by `frames`, unless the host answers from a
  // record its owner fills (Host::setTimeInfo). Never allocates. A plug-in that
  // cannot replace gets its accumulating process() over zeroed outputs.
  void process(float** inputs, float** outputs, VstInt32 frames);
  void process(double** inputs, double** outputs, VstInt32 frames);
  // The plug-in's own processing call and nothing around it: no check of the buffers
  // or the count, no clock (careless-host tests, benchmarks of the call alone); the
  // time record is shown to the calling thread as in any block.
  void processUnchecked(float** inputs, float** outputs, VstInt32 frames) {
    const BlockOnThisThread block(*host_);
    effect_->processReplacing(effect_, inputs, outputs, frames);
  }
  void processUnchecked(double** inputs, double** outputs, VstInt32 frames) {
    const BlockOnThisThread block(*host_);
    effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
  }

  // Text answers, read into a buffer larger than the standard's sizes (plug-ins
  // overrun them), cut there and terminated; empty when the plug-in does not answer.
  std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) const;
  std::string effectName() const { return text(effGetEffectName); }
  std::string vendorName() const { return text(effGetVendorString); }
  std::string productName() const { return text(effGetProductString); }
  VstInt32 vendorVersion() const { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
  // The vendor version, else the record's version: what preset files carry.
  VstInt32 pluginVersion() const;
  std::string parameterName(VstInt32 index) const { return text(effGetParamName, index); }
  std::string parameterLabel(VstInt32 index) const { return text(effGetParamLabel, index); }
  std::string parameterDisplay(VstInt32 index) const { return text(effGetParamDisplay, index); }
  std::string programName() const { return text(effGetProgramName); }
  void setProgramName(const std::string& name);

  // The plug-in's state chunk (program chunk when `preset`); the bytes stay the
  // plug-in's and are valid until the next chunk request. Size 0 when there is none.
  struct Chunk {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
  };
  Chunk saveChunk(bool preset = false);
  // Hands bytes to effSetChunk; answers what the plug-in answered.
  VstIntPtr restoreChunk(const void* data, std::size_t size, bool preset = false);

  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) const;

  static constexpr std::size_t kTextCapacity = 512;

 private:
  void create(EntryFunction entry, Opening opening);

  std::unique_ptr<Module> module_;  // released after the instance is closed
  std::unique_ptr<Host> ownHost_;
  Host* host_;
  AEffect* effect_ = nullptr;
  Failure failure_ = Failure::none;
  bool active_ = false;
  VstInt32 levelWhileActive_ = 0;  // 0: the host's level is left alone
};

// A text answer of `effect` read into `capacity` bytes: never more is read, and the
// text ends at the first NUL or at capacity - 1 bytes.
std::string readText(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, char* buffer,
                     std::size_t capacity);

}  // namespace hosting
