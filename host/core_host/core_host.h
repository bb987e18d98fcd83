// An in-process host of the plug-in's own VST 2.4 core, for the front ends that present
// it in other plug-in formats. It creates an instance through the entry function with a
// callback of its own and drives it only through AEffect, as any VST 2.4 host does, so a
// front end's audio is the VST 2.4 audio by construction.
#pragma once

#include <cstddef>
#include <string>

#include "host/vst/vst2_abi.h"

using CoreEntry = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class CoreHost {
 public:
  // Creates and opens an instance; valid() tells whether the core agreed to load.
  explicit CoreHost(CoreEntry entry);
  // Suspends an active instance, then closes it.
  ~CoreHost();
  CoreHost(const CoreHost&) = delete;
  CoreHost& operator=(const CoreHost&) = delete;

  bool valid() const { return effect_ != nullptr; }
  AEffect* effect() const { return effect_; }

  // Configuration, while suspended. The rate also drives the time the core is told.
  void setSampleRate(double rate);
  void setBlockSize(VstInt32 frames);
  void resume();
  void suspend();
  bool active() const { return active_; }

  VstInt32 numInputs() const;
  VstInt32 numOutputs() const;
  VstInt32 numParams() const;
  VstInt32 uniqueId() const;
  VstInt32 initialDelay() const;
  void setParameter(VstInt32 index, float value);
  float getParameter(VstInt32 index) const;

  // One processing call over the caller's buffers (in place allowed); the frame clock
  // that the core's time queries see advances by `frames`. Never allocates.
  void process(float** inputs, float** outputs, VstInt32 frames);
  void process(double** inputs, double** outputs, VstInt32 frames);
  bool canProcessDouble() const;

  // The core's texts; empty when it does not answer.
  std::string effectName() const;
  std::string vendorName() const;
  std::string productName() const;
  VstInt32 vendorVersion() const;
  std::string parameterName(VstInt32 index) const;
  std::string parameterLabel(VstInt32 index) const;
  std::string parameterDisplay(VstInt32 index) const;

  // The core's state chunk (program chunk when `preset`); the bytes stay the core's and
  // are valid until the next chunk request. Size 0 when there is none.
  struct Chunk {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
  };
  Chunk saveChunk(bool preset = false);
  // Hands bytes to the core's effSetChunk; answers what the core answered.
  VstIntPtr restoreChunk(const void* data, std::size_t size, bool preset = false);

  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) const;

 private:
  static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                            void* ptr, float opt);
  std::string text(VstInt32 opcode, VstInt32 index) const;

  AEffect* effect_ = nullptr;
  bool active_ = false;
  // Written by the audio thread between blocks, read by the core on that thread.
  VstTimeInfo time_{};
};
