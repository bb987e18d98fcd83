// Which build of the block kernel runs, and the effect's block hook over it.
#include <array>

#include "effect/twinfold_block_kernel.h"
#include "effect/twinfold_effect.h"

namespace {

bool runsEverywhere() { return true; }

#if defined(__i386__) || defined(__x86_64__)
// The processor's AVX2 flag, and the system's saving of the 32-byte registers (the
// compiler's check asks both).
bool runsAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

constexpr std::array kKernels = {
    TwinfoldKernel{"baseline", runsEverywhere, twinfold_kernel_baseline::floatBlock,
                   twinfold_kernel_baseline::doubleBlock},
#if defined(__i386__) || defined(__x86_64__)
    TwinfoldKernel{"avx2", runsAvx2, twinfold_kernel_avx2::floatBlock, twinfold_kernel_avx2::doubleBlock},
#endif
};

// The last build in the list that this processor runs.
const TwinfoldKernel& chooseKernel() {
  for (auto kernel = kKernels.rbegin(); kernel != kKernels.rend(); ++kernel)
    if (kernel->runsHere()) return *kernel;
  return kKernels.front();
}

}  // namespace

std::span<const TwinfoldKernel> twinfoldKernels() { return kKernels; }

const TwinfoldKernel& twinfoldChosenKernel() {
  static const TwinfoldKernel& chosen = chooseKernel();
  return chosen;
}

namespace {
// Chosen while the library loads, so that no processing call makes the choice.
[[maybe_unused]] const TwinfoldKernel& chosenAtLoad = twinfoldChosenKernel();
}  // namespace

void TEmberEffect::useKernel(const TwinfoldKernel& kernel) { kernel_ = &kernel; }

void TEmberEffect::DoSampleBlock(const float* const* inputs, float* const* outputs, std::int32_t channels,
                                 std::int32_t frames) {
  if (channels == 2)
    sampleStereoBlock(inputs, outputs, frames);
  else
    TEmber::DoSampleBlock(inputs, outputs, channels, frames);
}

void TEmberEffect::DoSampleBlock(const double* const* inputs, double* const* outputs, std::int32_t channels,
                                 std::int32_t frames) {
  if (channels == 2)
    sampleStereoBlock(inputs, outputs, frames);
  else
    TEmber::DoSampleBlock(inputs, outputs, channels, frames);
}
