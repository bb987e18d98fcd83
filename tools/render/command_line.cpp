#include "tools/render/command_line.h"

#include <CLI/CLI.hpp>

#include <map>

namespace {

constexpr const char* kDescription =
    "Runs a VST 2.4 plug-in (a Linux .so) over an audio file, the way a DAW would, without a DAW.\n"
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
    "                \"stereo / mono=mono\" (see --info for names and display texts)\n"
    "\n"
    "Examples:\n"
    "  vst-render --param \"stereo / mono=mono\" Quillmarsh_twinfold.so mix.wav mix-mono.wav\n"
    "  vst-render --param 0=1 --save-preset mono.fxp Quillmarsh_twinfold.so\n"
    "  vst-render --preset mono.fxp --format pcm24 Quillmarsh_twinfold.so in.flac out.flac\n"
    "\n"
    "The output is written to a hidden temporary file next to OUTPUT and moved into place only\n"
    "when the render finished, so a failed run never leaves a partial file or touches an existing one.";

}  // namespace

std::optional<int> parseCommandLine(int argc, char** argv, RenderOptions& options) {
  CLI::App app{kDescription, "vst-render"};
  app.footer(kFooter);
  app.get_formatter()->column_width(32);

  app.add_option("PLUGIN", options.plugin, "The plug-in library (.so) to load")->required();
  app.add_option("INPUT", options.input, "Audio file to process (none: the demo)");
  app.add_option("OUTPUT", options.output, "Where to write the result, in INPUT's format");

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
  std::string encoding;
  app.add_option("--format", encoding, "OUTPUT's samples: float, pcm16 or pcm24 (default: INPUT's)")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"float", "pcm16", "pcm24"}).description(""));
  app.add_flag("--upmix", options.upmix, "Feed a mono INPUT to every input of the plug-in");

  try {
    app.parse(argc, argv);
    if (!options.input.empty() && options.output.empty())
      throw CLI::ValidationError("OUTPUT", "give an OUTPUT file after INPUT");
    if (options.info && !options.input.empty())
      throw CLI::ValidationError("--info", "--info takes only the plug-in, no INPUT or OUTPUT");
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  }
  static const std::map<std::string, SampleEncoding> kEncodings = {
      {"float", SampleEncoding::Float}, {"pcm16", SampleEncoding::Pcm16}, {"pcm24", SampleEncoding::Pcm24}};
  if (!encoding.empty()) options.encoding = kEncodings.at(encoding);
  return std::nullopt;
}
