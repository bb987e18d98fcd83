// The stereo block kernel: the sample section over a whole two-channel block, built
// once per instruction set (twinfold_block_kernel.cpp compiled with each set's flags)
// and chosen once, when the library loads, by what the processor runs.
//
// Nothing but plain declarations here: the kernel's sources are compiled with flags
// that the rest of the library must not inherit through shared inline code.
#pragma once

#include <cstdint>
#include <span>

// The last frame's inputs, sanitised: what the section leaves in in_left and in_right.
struct TwinfoldLastInputs {
  double left;
  double right;
};

// One build of the kernel. Each block function runs frames > 0 frames of the section
// in the given mode and answers the last frame's sanitised inputs.
struct TwinfoldKernel {
  const char* name;
  bool (*runsHere)();
  TwinfoldLastInputs (*floatBlock)(bool mono, const float* inLeft, const float* inRight, float* outLeft,
                                   float* outRight, std::int32_t frames);
  TwinfoldLastInputs (*doubleBlock)(bool mono, const double* inLeft, const double* inRight, double* outLeft,
                                    double* outRight, std::int32_t frames);
};

// Every build in this library, the baseline (any x86 with SSE2; on ARM the only one) first.
std::span<const TwinfoldKernel> twinfoldKernels();
// The widest build this processor runs, chosen when the library loaded.
const TwinfoldKernel& twinfoldChosenKernel();

// The block functions of one build, in the namespace that build's flags name.
#define TWINFOLD_KERNEL_FUNCTIONS(variant)                                                                       \
  namespace twinfold_kernel_##variant {                                                                          \
  TwinfoldLastInputs floatBlock(bool mono, const float* inLeft, const float* inRight, float* outLeft,           \
                                float* outRight, std::int32_t frames);                                          \
  TwinfoldLastInputs doubleBlock(bool mono, const double* inLeft, const double* inRight, double* outLeft,       \
                                 double* outRight, std::int32_t frames);                                        \
  }
TWINFOLD_KERNEL_FUNCTIONS(baseline)
#if defined(__i386__) || defined(__x86_64__)
TWINFOLD_KERNEL_FUNCTIONS(avx2)
#endif
