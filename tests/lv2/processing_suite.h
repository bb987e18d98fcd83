// Processing checks that every way of reaching the LV2 edition must pass: run through
// lilv on Linux, and through the project's own loader on every target.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "hosting/lv2_host.h"
#include "hosting/editions_under_test.h"

// How a test program makes instances: null when the plug-in refuses.
struct Lv2Source {
  const char* name;
  std::function<std::unique_ptr<hosting::Lv2Instance>(double sampleRate, const LV2_Feature* const* features)>
      instantiate;
};

// Test names show the source's name, not its bytes.
inline void PrintTo(const Lv2Source& source, std::ostream* out) { *out << source.name; }

class Lv2Processing : public ::testing::TestWithParam<Lv2Source> {
 protected:
  // An activated instance at 48 kHz whose host announced blocks of at most kMaxBlock.
  std::unique_ptr<hosting::Lv2Instance> started(double sampleRate = 48000.0);

  static constexpr std::int32_t kMaxBlock = 64;
  hosting::Lv2Features features{kMaxBlock};
};
