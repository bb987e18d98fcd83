// One VST 2.4 plug-in instance hosted offline: the module file loaded, the instance
// opened on construction and closed (after a suspend when it was resumed) on
// destruction, so effClose runs on every way out. The host reports a running
// transport at 120 BPM in 4/4 and the offline process level while processing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosting/instance.h"

class RenderInstance : public hosting::Instance {
 public:
  // Throws RenderError when the file is missing, cannot be loaded, exports no entry
  // point, or its entry point answers no valid record.
  explicit RenderInstance(const std::string& path);

  const std::string& path() const { return path_; }
  const AEffect& record() const { return *effect(); }

  // The name a report shows: the effect name, else the product, else the file name.
  std::string displayName();

  // The state the plug-in hands out through effGetChunk (empty when it has none).
  std::vector<std::uint8_t> chunk(bool singleProgram);
  void setChunk(const std::vector<std::uint8_t>& data, bool singleProgram);

  // Sample rate, block size and precision go in while suspended; resume() starts
  // processing with the transport at zero.
  void prepare(double sampleRate, std::int32_t blockSize, bool doublePrecision);
  bool resumed() const { return active(); }

  static constexpr double kTempo = 120.0;

 private:
  std::string path_;
};
