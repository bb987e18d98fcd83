// TVeSTFunctions: the table through which the wrapper reaches the runtime. Every
// entry takes the wrapper first; an empty entry means the operation is not provided.
#pragma once

#include <cstdint>

class CVeST;

struct TVeSTFunctions {
  void (*create)(CVeST*);
  void (*destroy)(CVeST*);
  void (*open)(CVeST*);
  void (*suspend)(CVeST*);
  void (*resume)(CVeST*);
  void (*editorIdleHook)(CVeST*);
  void (*close)(CVeST*);
  void (*drawHook)(CVeST*, std::int32_t width, std::int32_t height);
  void (*mouseDownHook)(CVeST*, std::int32_t x, std::int32_t y, std::int32_t buttons);
  void (*mouseUpHook)(CVeST*, std::int32_t x, std::int32_t y, std::int32_t buttons);
  void (*mouseMoveHook)(CVeST*, std::int32_t x, std::int32_t y, std::int32_t buttons);
  void (*keyDownHook)(CVeST*, std::int32_t character, std::int32_t modifier, std::int32_t virtualKey);
  void (*keyUpHook)(CVeST*, std::int32_t character, std::int32_t modifier, std::int32_t virtualKey);
  std::int32_t (*getVendorVersion)(CVeST*);
  std::int32_t (*getVendorString)(CVeST*, char* text);
  std::int32_t (*getProductString)(CVeST*, char* text);
  std::int32_t (*getEffectName)(CVeST*, char* text);
  std::int32_t (*getProgramName)(CVeST*, char* text);
  void (*setProgramName)(CVeST*, const char* text);
  std::int32_t (*getProgramNameIndexed)(CVeST*, std::int32_t category, std::int32_t index, char* text);
  double (*getParameter)(CVeST*, std::int32_t index);
  void (*setParameter)(CVeST*, std::int32_t index, double value);
  void (*getParameterName)(CVeST*, std::int32_t index, char* text);
  void (*getParameterLabel)(CVeST*, std::int32_t index, char* text);
  void (*getParameterDisplay)(CVeST*, std::int32_t index, char* text);
  void (*processReplacing)(CVeST*, float** inputs, float** outputs, std::int32_t sampleFrames);
  void (*processDoubleReplacing)(CVeST*, double** inputs, double** outputs, std::int32_t sampleFrames);
  std::int32_t (*getChunk)(CVeST*, void** data, bool isPreset);
  std::int32_t (*setChunk)(CVeST*, void* data, std::int32_t size, bool isPreset);
};

inline constexpr int kVeSTFunctionCount = 29;
static_assert(sizeof(TVeSTFunctions) == kVeSTFunctionCount * sizeof(void (*)()));

// Longest text each kind of answer may write, NUL included.
inline constexpr std::int32_t kParamLabelBytes = 8;
inline constexpr std::int32_t kParamDisplayBytes = 8;
inline constexpr std::int32_t kParamNameBytes = 32;
inline constexpr std::int32_t kProgramNameBytes = 24;
inline constexpr std::int32_t kEffectNameBytes = 32;
inline constexpr std::int32_t kVendorTextBytes = 64;
