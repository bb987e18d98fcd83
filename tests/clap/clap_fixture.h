// Shared pieces of the CLAP tests: the file loaded once per program, the entry
// initialised around each test, and instances made for a test host.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "hosting/clap_host.h"
#include "hosting/editions_under_test.h"

// Loaded once and never unloaded, like the other editions' libraries.
const hosting::ClapModule& sharedClapModule();

class ClapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sharedClapModule().loaded()) << sharedClapModule().library().error();
    ASSERT_TRUE(entry().init(hosting::clapFileUnderTest().c_str()));
    factory = sharedClapModule().factory();
    ASSERT_NE(factory, nullptr);
  }
  void TearDown() override { entry().deinit(); }
  static const clap::clap_plugin_entry& entry() { return sharedClapModule().entry(); }
  std::unique_ptr<hosting::ClapInstance> make(const hosting::ClapHost& host) {
    auto instance = std::make_unique<hosting::ClapInstance>(factory, host);
    EXPECT_TRUE(instance->initialized);
    return instance;
  }

  const clap::clap_plugin_factory* factory = nullptr;
  hosting::ClapHost host;
};

// One instance, initialised, active at 48 kHz for up to maxFrames (512 unless a test
// sets it first) and processing.
class StartedClap : public ClapTest {
 protected:
  void SetUp() override {
    ClapTest::SetUp();
    instance = make(host);
    ASSERT_TRUE(instance->initialized);
    ASSERT_TRUE(instance->start(48000.0, maxFrames));
  }
  void TearDown() override {
    instance.reset();
    ClapTest::TearDown();
  }
  clap::clap_plugin const* plugin() const { return instance->plugin; }
  std::unique_ptr<hosting::ClapInstance> instance;
  std::uint32_t maxFrames = 512;
};
