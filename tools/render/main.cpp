// vst-render: an offline VST 2.4 host. Every failure ends in one message on stderr
// and exit code 1 (2 for a usage error), after the plug-in was closed and any
// temporary output removed.
#include <csignal>
#include <exception>
#include <iostream>

#include "tools/render/command_line.h"
#include "tools/render/demo.h"
#include "tools/render/file_render.h"
#include "tools/render/info_report.h"
#include "tools/render/render_instance.h"
#include "tools/render/render_error.h"
#include "tools/render/renderer.h"
#include "tools/render/user_settings.h"

namespace {

constexpr double kSettingsSampleRate = 48000.0;

extern "C" void requestStop(int /*signal*/) { renderInterrupted = 1; }

void stopCleanlyOnSignals() {
#ifdef _WIN32
  // Windows has no sigaction; Ctrl+C reaches the handler as SIGINT on a thread of its own.
  for (int signal : {SIGINT, SIGTERM}) std::signal(signal, requestStop);
#else
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

// --info and --save-preset without audio still see the plug-in as a host runs it.
void runWithoutAudio(const RenderOptions& options) {
  RenderInstance plugin(options.plugin);
  startProcessing(plugin, options, kSettingsSampleRate);
  applyUserSettings(plugin, options);
  if (options.info) printInfo(plugin, std::cout);
  saveRequestedPreset(plugin, options);
}

int run(const RenderOptions& options) {
  if (!options.input.empty()) renderFile(options);
  else if (options.info || !options.savePreset.empty()) runWithoutAudio(options);
  else runDemo(options);
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  RenderOptions options;
  if (const std::optional<int> exitCode = parseCommandLine(argc, argv, options)) return *exitCode;
  stopCleanlyOnSignals();
  try {
    return run(options);
  } catch (const UsageError& error) {
    return reportUsageError(error.what());
  } catch (const RenderError& error) {
    std::cerr << "vst-render: " << error.what() << "\n";
  } catch (const std::exception& error) {
    std::cerr << "vst-render: unexpected failure: " << error.what() << "\n";
  }
  return kExitFailure;
}
