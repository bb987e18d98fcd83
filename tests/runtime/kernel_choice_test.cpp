// Which build of the block kernel the library runs, against what the processor and the
// operating system report through channels of their own: the cpuid and xgetbv
// instructions read here, and on Linux the kernel's flags in /proc/cpuinfo. (The
// library asks the compiler's runtime; a check that asked it too could not fail.)
#include <gtest/gtest.h>
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "effect/twinfold_block_kernel.h"

namespace {

#if defined(__i386__) || defined(__x86_64__)
// AVX2 is usable when the processor has AVX (leaf 1, ECX bit 28) and AVX2 (leaf 7,
// EBX bit 5) and the system saves the XMM and YMM registers (OSXSAVE, ECX bit 27, then
// bits 1 and 2 of XCR0).
bool processorAndSystemRunAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  if (!(c & (1u << 27)) || !(c & (1u << 28))) return false;
  unsigned xcr0 = 0, xcr0High = 0;
  __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  if ((xcr0 & 6u) != 6u) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 5)) != 0;
}
#endif

// The first "flags" line of /proc/cpuinfo as a set of words; empty when there is none
// (not Linux, or Wine on another system).
[[maybe_unused]] std::set<std::string> kernelCpuFlags() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("flags", 0) != 0) continue;
    std::istringstream words(line.substr(line.find(':') + 1));
    std::set<std::string> flags;
    for (std::string word; words >> word;) flags.insert(word);
    return flags;
  }
  return {};
}

const TwinfoldKernel* kernelNamed(const std::string& name) {
  for (const TwinfoldKernel& kernel : twinfoldKernels())
    if (kernel.name == name) return &kernel;
  return nullptr;
}

TEST(KernelChoice, TheWidestBuildTheProcessorAndSystemRun) {
  const TwinfoldKernel* baseline = kernelNamed("baseline");
  ASSERT_NE(baseline, nullptr);
  EXPECT_EQ(&twinfoldKernels().front(), baseline);
  EXPECT_TRUE(baseline->runsHere());
#if defined(__i386__) || defined(__x86_64__)
  const bool avx2 = processorAndSystemRunAvx2();
  const TwinfoldKernel* wide = kernelNamed("avx2");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->runsHere(), avx2);
  EXPECT_STREQ(twinfoldChosenKernel().name, avx2 ? "avx2" : "baseline");
  RecordProperty("avx2", avx2 ? "yes" : "no");
#else
  EXPECT_EQ(&twinfoldChosenKernel(), baseline);
#endif
}

#if defined(__i386__) || defined(__x86_64__)
// The reading above against the Linux kernel's, which lists avx2 only when the
// processor has it and the kernel saves the YMM registers.
TEST(KernelChoice, TheInstructionReadingAgreesWithTheOperatingSystem) {
  const std::set<std::string> flags = kernelCpuFlags();
  if (flags.empty()) GTEST_SKIP() << "no flags in /proc/cpuinfo here";
  ASSERT_TRUE(flags.count("sse2"));
  EXPECT_EQ(flags.count("avx2") == 1, processorAndSystemRunAvx2());
}
#endif

}  // namespace
