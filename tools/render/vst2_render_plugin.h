// A VST 2.4 library as a RenderPlugin: a thin layer over RenderInstance.
#pragma once

#include <memory>

#include "tools/render/render_instance.h"
#include "tools/render/render_plugin.h"

class Vst2RenderPlugin final : public RenderPlugin {
 public:
  explicit Vst2RenderPlugin(const std::string& path) : instance_(path) {}
  RenderInstance& instance() { return instance_; }

  std::string formatName() const override { return "VST 2.4"; }
  const std::string& path() const override { return instance_.path(); }
  std::string displayName() override { return instance_.displayName(); }
  std::string vendorName() override { return instance_.vendorName(); }
  std::string versionText() override { return std::to_string(instance_.pluginVersion()); }
  std::string identifier() override;

  std::int32_t numInputs() override { return instance_.numInputs(); }
  std::int32_t numOutputs() override { return instance_.numOutputs(); }
  std::int32_t numParams() override { return instance_.numParams(); }
  std::string parameterName(std::int32_t index) override { return instance_.parameterName(index); }
  std::string parameterLabel(std::int32_t index) override { return instance_.parameterLabel(index); }
  double getParameter(std::int32_t index) override { return instance_.getParameter(index); }
  void setParameter(std::int32_t index, double value) override {
    instance_.setParameter(index, static_cast<float>(value));
  }
  std::string displayAt(std::int32_t index, double value) override;
  std::vector<std::string> programNames() override;

  bool canProcessDouble() override { return instance_.canProcessDouble(); }
  void start(double sampleRate, std::int32_t blockSize, bool doublePrecision) override;
  void stop() override { instance_.suspend(); }
  void process(float** inputs, float** outputs, std::int32_t frames) override {
    instance_.process(inputs, outputs, frames);
  }
  void process(double** inputs, double** outputs, std::int32_t frames) override {
    instance_.process(inputs, outputs, frames);
  }

  std::int64_t latency() override { return std::max(instance_.initialDelay(), 0); }
  std::optional<std::int64_t> tail() override;
  std::string describeTail() override;
  void printDetails(std::ostream& out) override;
  std::vector<std::uint8_t> saveState() override;
  void loadState(const std::vector<std::uint8_t>& bytes) override;

 private:
  RenderInstance instance_;
};
