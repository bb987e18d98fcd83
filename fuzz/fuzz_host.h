// The host side of the fuzz targets: loads the built plug-in once, creates instances
// through its exported entry point with a host callback whose answers come from the
// fuzz input, and checks what the plug-in answers. Every failed check traps, so
// libFuzzer records the input that led to it.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <string>

#include "hosting/instance.h"

// Prints what went wrong and traps.
[[noreturn]] void fuzzFail(const char* what);
inline void fuzzCheck(bool condition, const char* what) {
  if (!condition) fuzzFail(what);
}

// One plug-in instance as a host holds it, created through one of the three exports
// chosen by the input and opened by the target's own calls, with what the host knows
// about its audio mode (see modeAfterSliderSection).
class FuzzInstance : public hosting::Instance {
 public:
  explicit FuzzInstance(FuzzedDataProvider& input);

  // getParameter, checked to answer a finite value.
  float checkedParameter(VstInt32 index) const;
  // After a request that ran the slider section: the mode follows slider value 1.
  void modeAfterSliderSection() { mono = checkedParameter(0) != 0.0f; }

  // True when the last section that set the mode left the effect in mono; the host
  // learns it from the parameter after each request that runs the slider section.
  bool mono = false;
};

// Sets the host callback's answers (version, time information) from the input.
void fuzzHostAnswers(FuzzedDataProvider& input);
// Creates an instance, checked as the host's answers allow. Null when the host
// answered 0 to the version query; then the plug-in must have created nothing.
std::unique_ptr<FuzzInstance> fuzzCreateInstance(FuzzedDataProvider& input);
// The usual start of a session: host answers and an instance from the input, then
// maybe open and maybe resume. Null as fuzzCreateInstance.
std::unique_ptr<FuzzInstance> fuzzStartSession(FuzzedDataProvider& input);
// effClose, checked: the instance is gone afterwards.
void fuzzCloseInstance(FuzzInstance& instance);

// A host's text buffer: exactly `size` bytes on the heap (so AddressSanitizer sees
// any write past it), filled with a mark so the host can tell whether it was touched.
class FuzzText {
 public:
  explicit FuzzText(std::size_t size);
  char* data() { return bytes_.get(); }
  bool untouched() const;
  // The answer ends with a NUL within the first `bound` bytes.
  bool terminatedWithin(std::size_t bound) const;
  std::string text() const { return std::string(bytes_.get()); }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> bytes_;
};

// A parameter index: mostly the one parameter, sometimes anything at all.
VstInt32 fuzzParameterIndex(FuzzedDataProvider& input);
// A host value: the usual ones, the boundaries of the quantisation, and any bits
// (NaN and infinities included).
float fuzzParameterValue(FuzzedDataProvider& input);
