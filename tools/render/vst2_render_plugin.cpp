#include "tools/render/vst2_render_plugin.h"

#include "hosting/preset_file.h"
#include "tools/render/info_report.h"
#include "tools/render/render_error.h"
#include "tools/render/tail_and_latency.h"

std::string Vst2RenderPlugin::identifier() { return hosting::describeUniqueId(instance_.uniqueId()); }

std::string Vst2RenderPlugin::displayAt(std::int32_t index, double value) {
  // VST 2.4 shows only the current value: set, read, put back.
  const float original = instance_.getParameter(index);
  instance_.setParameter(index, static_cast<float>(value));
  std::string text = instance_.parameterDisplay(index);
  instance_.setParameter(index, original);
  return text;
}

std::vector<std::string> Vst2RenderPlugin::programNames() {
  std::vector<std::string> names;
  for (std::int32_t index = 0; index < instance_.numPrograms(); ++index)
    names.push_back(instance_.text(effGetProgramNameIndexed, index, -1));
  return names;
}

void Vst2RenderPlugin::start(double sampleRate, std::int32_t blockSize, bool doublePrecision) {
  if (doublePrecision && !instance_.canProcessDouble())
    throw RenderError(displayName() + " offers no 64-bit processing; run without --double");
  const AEffect& record = instance_.record();
  if (!doublePrecision && !record.processReplacing && !record.process)
    throw RenderError(displayName() + " offers no 32-bit processing function");
  instance_.prepare(sampleRate, blockSize, doublePrecision);
  instance_.resume();
}

std::optional<std::int64_t> Vst2RenderPlugin::tail() {
  // 0 means "not reported", 1 "no tail".
  const VstIntPtr answer = instance_.tailSize();
  if (answer <= 0) return std::nullopt;
  return answer == 1 ? 0 : static_cast<std::int64_t>(answer);
}

std::string Vst2RenderPlugin::describeTail() { return describeTailAnswer(instance_.tailSize()); }

void Vst2RenderPlugin::printDetails(std::ostream& out) { printVst2Info(instance_, out); }

std::vector<std::uint8_t> Vst2RenderPlugin::saveState() {
  if (!instance_.takesChunks()) throw RenderError(displayName() + " keeps no state chunk; save an .fxp instead");
  return instance_.chunk(false);
}

void Vst2RenderPlugin::loadState(const std::vector<std::uint8_t>& bytes) {
  if (!instance_.takesChunks()) throw RenderError(displayName() + " takes no state chunk; load an .fxp instead");
  instance_.setChunk(bytes, false);
}
