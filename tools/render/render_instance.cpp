#include "tools/render/render_instance.h"

#include <memory>

#include "tools/render/render_error.h"

namespace {

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::unique_ptr<hosting::Module> loadModule(const std::string& path) {
  auto module = std::make_unique<hosting::Module>(path);
  switch (module->failure()) {
    case hosting::Module::Failure::none: return module;
    case hosting::Module::Failure::notFound: throw RenderError("plug-in '" + path + "' not found");
    case hosting::Module::Failure::isFolder:
      throw RenderError("plug-in '" + path + "' is a folder, not a VST 2.4 plug-in library (.so)");
    case hosting::Module::Failure::notLoadable:
      throw RenderError("'" + path + "' is not a loadable plug-in library: " + module->error());
  }
  return module;
}

}  // namespace

RenderInstance::RenderInstance(const std::string& path) : hosting::Instance(loadModule(path)), path_(path) {
  switch (failure()) {
    case Failure::none: break;
    case Failure::noEntry:
      throw RenderError("'" + path + "' is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main");
    case Failure::noInstance:
      throw RenderError("the plug-in '" + path + "' refused to start: its entry point answered no instance (null)");
    case Failure::notAnEffect:
      throw RenderError("'" + path + "' is not a VST 2.4 plug-in: its entry point answered a record without the 'VstP' magic");
  }
  host().clock().setTempo(kTempo);
  setProcessLevelWhileActive(hosting::kProcessLevelOffline);
}

std::string RenderInstance::displayName() {
  std::string name = effectName();
  if (name.empty()) name = productName();
  if (name.empty()) name = fileNameOf(path_);
  return name;
}

std::vector<std::uint8_t> RenderInstance::chunk(bool singleProgram) {
  const Chunk saved = saveChunk(singleProgram);
  return {saved.data, saved.data + saved.size};
}

void RenderInstance::setChunk(const std::vector<std::uint8_t>& data, bool singleProgram) {
  // Some plug-ins keep the pointer until the call returns; a copy keeps the caller's bytes intact.
  std::vector<std::uint8_t> copy = data;
  restoreChunk(copy.data(), copy.size(), singleProgram);
}

void RenderInstance::prepare(double sampleRate, std::int32_t blockSize, bool doublePrecision) {
  suspend();
  setSampleRate(sampleRate);
  setBlockSize(blockSize);
  if (doublePrecision || canProcessDouble()) setProcessPrecision(doublePrecision);
}
