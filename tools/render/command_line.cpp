#include "tools/render/command_line.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>

#include "tools/render/output_format.h"
#include "tools/render/render_error.h"

namespace {

constexpr double kLongestTailSeconds = 3600.0;

constexpr const char* kDescription =
    "Runs a VST 2.4 plug-in (a .so on Linux, a .dll on Windows) over an audio file, the way a DAW would, without a DAW.\n"
    "\n"
    "  vst-render PLUGIN                 demo: show the plug-in and run a test signal through it\n"
    "  vst-render --info PLUGIN          show what a host sees: names, parameters, programs, ...\n"
    "  vst-render PLUGIN INPUT OUTPUT    process INPUT (any format libsndfile reads) into OUTPUT\n"
    "  vst-render --param ... --save-preset FILE PLUGIN\n"
    "                                    store settings as a preset file, no audio\n";

constexpr const char* kFooter =
    "Settings (--param, repeatable, applied in order after --preset):\n"
    "  INDEX=VALUE   parameter number INDEX (from 0) to the normalised VALUE (0 to 1): 0=1\n"
    "  NAME=TEXT     the parameter called NAME to the value it displays as TEXT:\n"
    "                \"stereo / mono=mono\" (see --info for names and display texts); case and\n"
    "                outer spaces do not matter, and a number picks the closest number shown\n"
    "                (\"Gain=6\" for a display of 6.000000)\n"
    "\n"
    "File types of this build (its libsndfile):\n"
    "  reads   READABLE\n"
    "  writes  WRITABLE (by extension)\n"
    "\n"
    "Output: OUTPUT's extension chooses the file type (none: INPUT's type), or --type names\n"
    "it whatever the extension. --encoding (alias --format) chooses the encoding within it:\n"
    "  ENCODINGS\n"
    "Without --encoding INPUT's encoding is kept, or the nearest one the type holds (FLAC:\n"
    "24-bit from float).\n"
    "\n"
    "Tail and latency: after INPUT ends, --tail SECONDS of silence go through the plug-in so\n"
    "delays and reverbs ring out (default: the tail the plug-in reports, else none). The\n"
    "plug-in's reported latency is compensated: that many more frames are processed and the\n"
    "same number dropped at the start, so OUTPUT lines up with INPUT sample for sample.\n"
    "\n"
    "Examples:\n"
    "  vst-render --param \"stereo / mono=mono\" Quillmarsh_twinfold.so mix.wav mix-mono.wav\n"
    "  vst-render --param 0=1 --save-preset mono.fxp Quillmarsh_twinfold.so\n"
    "  vst-render --preset mono.fxp -e pcm24 Quillmarsh_twinfold.so in.wav out.flac\n"
    "  vst-render -t flac Quillmarsh_twinfold.so in.wav take-3.render\n"
    "  vst-render --tail 3 -p \"decay=80\" reverb.so dry.wav wet.wav\n"
    "\n"
    "The output is written to a hidden temporary file next to OUTPUT and moved into place only\n"
    "when the render finished, so a failed run never leaves a partial file or touches an existing one.\n"
    "\n"
    "Exit codes: 0 success; 1 a failed render or a file or plug-in problem; 2 a usage error\n"
    "(unknown option, missing argument, bad value).";

// A comma-separated list broken into lines of the footer's width, continued under its start.
std::string wrappedList(const std::string& list, std::size_t indent) {
  constexpr std::size_t kWidth = 90;
  std::string wrapped;
  std::size_t column = indent, start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(", ", start);
    end = end == std::string::npos ? list.size() : end + 1;
    const std::string item = list.substr(start, end - start);
    if (column + item.size() + 1 > kWidth && start > 0) {
      wrapped += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (start > 0) {
      wrapped += ' ';
      ++column;
    }
    wrapped += item;
    column += item.size();
    start = end + 1;
  }
  return wrapped;
}

std::string encodingList() {
  std::string list;
  for (const std::string& name : encodingNames()) list += (list.empty() ? "" : ", ") + name;
  return list;
}

}  // namespace

int reportUsageError(const std::string& message) {
  std::cerr << "vst-render: " << message << " (see vst-render --help)\n";
  return kExitUsage;
}

std::optional<int> parseCommandLine(int argc, char** argv, RenderOptions& options) {
  CLI::App app{kDescription, "vst-render"};
  std::string footer = kFooter;
  footer.replace(footer.find("ENCODINGS"), 9, encodingList());
  footer.replace(footer.find("READABLE"), 8, wrappedList(readableTypeList(), 10));
  footer.replace(footer.find("WRITABLE"), 8, wrappedList(writableExtensionList(), 10));
  app.footer(footer);
  app.get_formatter()->column_width(32);
  // CLI11 takes "/name" for an option on Windows by default; here it is a path.
  app.allow_windows_style_options(false);

  app.add_option("PLUGIN", options.plugin, "The plug-in library (.so or .dll) to load")->required();
  app.add_option("INPUT", options.input, "Audio file to process (none: the demo)");
  app.add_option("OUTPUT", options.output, "Where to write the result; its extension sets the file type");

  app.add_flag("--info", options.info, "Show what a host sees of the plug-in and exit");
  app.add_option("-p,--param", options.parameters, "Set a parameter: INDEX=VALUE or NAME=TEXT (below)")
      ->type_name("SETTING")
      ->allow_extra_args(false);  // one value per --param, so PLUGIN may follow it
  app.add_option("--preset", options.preset, "Load a preset: an .fxp program or an .fxb bank")
      ->type_name("FILE");
  app.add_flag("--force", options.force, "Load a preset made for another plug-in (unique ID) anyway");
  app.add_option("--save-preset", options.savePreset,
                 "Save the state after the settings: a program, or a bank for *.fxb")
      ->type_name("FILE");
  app.add_option("-b,--block-size", options.blockSize, "Frames per processing call, 1 to 65536 (default 512)")
      ->type_name("FRAMES")
      ->check(CLI::Range(1, 65536).description(""));
  app.add_flag("--double", options.doublePrecision, "Process in 64-bit floating point (if the plug-in can)");
  app.add_option("-e,--encoding,--format", options.encoding,
                 "OUTPUT's encoding (below; default: INPUT's, or the nearest)")
      ->type_name("ENCODING")
      ->check(CLI::IsMember(encodingNames()).description(""));
  app.add_option("-t,--type", options.fileType, "OUTPUT's file type (wav, flac, ...), whatever its extension")
      ->type_name("TYPE");
  double tailSeconds = 0.0;
  CLI::Option* tail =
      app.add_option("--tail", tailSeconds, "Seconds of silence processed after INPUT (default: the plug-in's)")
          ->type_name("SECONDS")
          ->check(CLI::Validator(
              [](const std::string& text) {
                const double seconds = std::strtod(text.c_str(), nullptr);
                return std::isfinite(seconds) && seconds >= 0.0 && seconds <= kLongestTailSeconds
                           ? std::string()
                           : "a number of seconds from 0 to " + std::to_string(static_cast<int>(kLongestTailSeconds));
              },
              ""));
  bool keepLatency = false;
  app.add_flag("--no-latency-compensation", keepLatency, "Keep the plug-in's latency in OUTPUT");
  app.add_flag("--upmix", options.upmix, "Feed a mono INPUT to every input of the plug-in");

  try {
    app.parse(argc, argv);
    if (!options.input.empty() && options.output.empty())
      throw CLI::ValidationError("OUTPUT", "give an OUTPUT file after INPUT");
    if (options.info && !options.input.empty())
      throw CLI::ValidationError("--info", "--info takes only the plug-in, no INPUT or OUTPUT");
  } catch (const CLI::ParseError& error) {
    // --help is a parse "error" too; it exits with success.
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
    return reportUsageError(error.what());
  }
  if (tail->count() > 0) options.tailSeconds = tailSeconds;
  options.compensateLatency = !keepLatency;
  return std::nullopt;
}
