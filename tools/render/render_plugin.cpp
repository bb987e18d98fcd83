#include "tools/render/render_plugin.h"

ParameterReport RenderPlugin::parameterReport(std::int32_t index) {
  ParameterReport report;
  report.id = std::to_string(index);
  report.name = parameterName(index);
  report.label = parameterLabel(index);
  report.value = getParameter(index);
  report.display = displayAt(index, report.value);
  return report;
}
