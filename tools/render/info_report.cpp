#include "tools/render/info_report.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/render_instance.h"
#include "hosting/preset_file.h"
#include "tools/render/json_writer.h"
#include "tools/render/render_plugin.h"
#include "tools/render/tail_and_latency.h"

namespace {

constexpr std::int32_t kListedPrograms = 16;
constexpr const char* kCanDoQueries[] = {"receiveVstEvents",   "receiveVstMidiEvent", "receiveVstTimeInfo",
                                         "sendVstEvents",      "sendVstMidiEvent",    "offline",
                                         "midiProgramNames",   "bypass"};

std::string flagList(const RenderInstance& plugin) {
  struct Flag {
    VstInt32 bit;
    const char* name;
  };
  constexpr Flag kFlags[] = {{effFlagsHasEditor, "editor"},
                             {effFlagsCanReplacing, "replacing"},
                             {effFlagsCanDoubleReplacing, "double replacing"},
                             {effFlagsProgramChunks, "program chunks"},
                             {effFlagsIsSynth, "synth"},
                             {effFlagsNoSoundInStop, "no sound in stop"}};
  std::string list;
  for (const Flag& flag : kFlags)
    if (plugin.hasFlag(flag.bit)) list += (list.empty() ? "" : ", ") + std::string(flag.name);
  return list.empty() ? "none" : list;
}

std::string categoryName(VstIntPtr category) {
  static const char* const kNames[] = {"unknown",  "effect",    "synth",          "analysis",  "mastering",
                                       "spatializer", "room effect", "surround effect", "restoration", "offline",
                                       "shell",    "generator"};
  if (category >= 0 && category < static_cast<VstIntPtr>(std::size(kNames))) return kNames[category];
  return "category " + std::to_string(category);
}

std::string canDoAnswer(VstIntPtr answer) {
  if (answer > 0) return "yes";
  if (answer < 0) return "no";
  return "don't know";
}

std::string counted(std::int32_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

void printParameters(RenderInstance& plugin, std::ostream& out) {
  out << "Parameters    " << plugin.numParams() << "\n";
  if (plugin.numParams() <= 0) return;
  std::size_t nameWidth = 4;
  std::vector<std::string> names;
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) {
    names.push_back(plugin.parameterName(index));
    nameWidth = std::max(nameWidth, names.back().size());
  }
  out << "    #  " << padded("name", nameWidth) << "  value     display (label)\n";
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", static_cast<double>(plugin.getParameter(index)));
    const std::string label = plugin.parameterLabel(index);
    char number[16];
    std::snprintf(number, sizeof number, "%5d", index);
    out << number << "  " << padded(names[static_cast<std::size_t>(index)], nameWidth) << "  " << value << "  "
        << plugin.parameterDisplay(index) << (label.empty() ? "" : " (" + label + ")") << "\n";
  }
}

void printPrograms(RenderInstance& plugin, std::ostream& out) {
  const VstIntPtr current = plugin.dispatch(effGetProgram);
  out << "Programs      " << plugin.numPrograms() << " (current " << current << ": \"" << plugin.programName()
      << "\")\n";
  const std::int32_t listed = std::min(plugin.numPrograms(), kListedPrograms);
  for (std::int32_t index = 0; index < listed; ++index) {
    const std::string name = plugin.text(effGetProgramNameIndexed, index, -1);
    if (name.empty()) continue;  // the plug-in does not name programs it is not on
    out << "    " << index << "  \"" << name << "\"\n";
  }
  if (plugin.numPrograms() > listed) out << "    ... " << plugin.numPrograms() - listed << " more\n";
}

}  // namespace

void printVst2Info(RenderInstance& plugin, std::ostream& out) {
  const AEffect& record = plugin.record();
  out << "Plug-in       " << plugin.path() << "\n"
      << "Effect name   " << plugin.effectName() << "\n"
      << "Product       " << plugin.text(effGetProductString) << "\n"
      << "Vendor        " << plugin.text(effGetVendorString) << "\n"
      << "Version       " << plugin.pluginVersion() << " (vendor version " << plugin.dispatch(effGetVendorVersion)
      << ", record version " << record.version << "), VST " << plugin.dispatch(effGetVstVersion) << "\n"
      << "Unique ID     " << hosting::describeUniqueId(record.uniqueID) << "\n"
      << "Category      " << categoryName(plugin.dispatch(effGetPlugCategory)) << "\n"
      << "Audio         " << counted(plugin.numInputs(), "input") << ", " << counted(plugin.numOutputs(), "output")
      << ", latency " << counted(record.initialDelay, "sample") << ", tail " << describeTailAnswer(plugin.tailSize())
      << "\n"
      << "Flags         " << flagList(plugin) << "\n";
  printParameters(plugin, out);
  printPrograms(plugin, out);
  if (plugin.takesChunks())
    out << "State chunk   " << plugin.chunk(true).size() << " bytes per program, " << plugin.chunk(false).size()
        << " bytes per bank\n";
  else
    out << "State chunk   none (presets hold the parameter values)\n";
  out << "Can do        ";
  std::size_t column = 14;
  bool first = true;
  for (const char* query : kCanDoQueries) {
    std::string capability = query;
    const std::string item = capability + " " + canDoAnswer(plugin.dispatch(effCanDo, 0, 0, capability.data()));
    if (!first && column + item.size() + 2 > 100) {
      out << ",\n              ";
      column = 14;
    } else if (!first) {
      out << ", ";
      column += 2;
    }
    out << item;
    column += item.size();
    first = false;
  }
  out << "\n";
}

void printInfo(RenderPlugin& plugin, std::ostream& out) { plugin.printDetails(out); }

void printCommonInfo(RenderPlugin& plugin, std::ostream& out) {
  out << "Plug-in       " << plugin.path() << "\n"
      << "Format        " << plugin.formatName() << "\n"
      << "Name          " << plugin.displayName() << "\n"
      << "Vendor        " << plugin.vendorName() << "\n"
      << "Version       " << plugin.versionText() << "\n"
      << "ID            " << plugin.identifier() << "\n"
      << "Audio         " << counted(plugin.numInputs(), "input") << ", " << counted(plugin.numOutputs(), "output")
      << ", latency " << counted(static_cast<std::int32_t>(plugin.latency()), "sample") << ", tail "
      << plugin.describeTail() << "\n";
  out << "Parameters    " << plugin.numParams() << "\n";
  if (plugin.numParams() > 0) {
    std::vector<ParameterReport> reports;
    std::size_t nameWidth = 4, idWidth = 2;
    for (std::int32_t index = 0; index < plugin.numParams(); ++index) {
      reports.push_back(plugin.parameterReport(index));
      nameWidth = std::max(nameWidth, reports.back().name.size());
      idWidth = std::max(idWidth, reports.back().id.size());
    }
    out << "    #  " << padded("id", idWidth) << "  " << padded("name", nameWidth) << "  value     display (label)\n";
    for (std::size_t index = 0; index < reports.size(); ++index) {
      const ParameterReport& report = reports[index];
      char line[64];
      std::snprintf(line, sizeof line, "%5zu  ", index);
      char value[32];
      std::snprintf(value, sizeof value, "%.6f", report.value);
      out << line << padded(report.id, idWidth) << "  " << padded(report.name, nameWidth) << "  " << value << "  "
          << report.display << (report.label.empty() ? "" : " (" + report.label + ")") << "\n";
    }
  }
  const std::vector<std::string> programs = plugin.programNames();
  out << "Programs      " << programs.size() << "\n";
  for (std::size_t index = 0; index < programs.size() && index < static_cast<std::size_t>(kListedPrograms); ++index)
    out << "    " << index << "  \"" << programs[index] << "\"\n";
}

void printJsonInfo(RenderPlugin& plugin, std::ostream& out) {
  JsonWriter json(out);
  json.beginObject();
  json.field("plugin", plugin.path());
  json.field("format", plugin.formatName());
  json.field("name", plugin.displayName());
  json.field("vendor", plugin.vendorName());
  json.field("version", plugin.versionText());
  json.field("id", plugin.identifier());
  json.field("inputs", plugin.numInputs());
  json.field("outputs", plugin.numOutputs());
  json.field("latency", plugin.latency());
  if (const std::optional<std::int64_t> tail = plugin.tail())
    json.field("tail", *tail);
  else
    json.nullField("tail");
  json.key("parameters");
  json.beginArray();
  for (std::int32_t index = 0; index < plugin.numParams(); ++index) {
    const ParameterReport report = plugin.parameterReport(index);
    json.beginObject();
    json.field("index", index);
    json.field("id", report.id);
    json.field("name", report.name);
    json.field("label", report.label);
    json.field("value", report.value);
    json.field("display", report.display);
    json.field("minimum", report.minimum);
    json.field("maximum", report.maximum);
    json.field("default", report.defaultValue);
    json.field("steps", report.steps);
    // The texts at the ends and the middle of the range, as the plug-in shows them.
    json.key("displays");
    json.beginObject();
    for (const double at : {0.0, 0.5, 1.0}) json.field(at == 0.0 ? "0" : at == 1.0 ? "1" : "0.5", plugin.displayAt(index, at));
    json.endObject();
    json.endObject();
  }
  json.endArray();
  json.key("programs");
  json.beginArray();
  for (const std::string& name : plugin.programNames()) json.value(name);
  json.endArray();
  json.endObject();
  out << "\n";
}
