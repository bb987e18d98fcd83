// The library's one export, the data record clap_entry. init and deinit are counted:
// hosts call init once per instance or per plug-in type, and the pairs overlap.
#include <cstring>

#include "editions/clap/factory.h"

#if defined(_WIN32)
// Exported undecorated through the .def file.
#define TWINFOLD_CLAP_EXPORT extern "C"
#else
#define TWINFOLD_CLAP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Any path, or none: hosts pass the file, its folder or nothing.
bool CLAP_CALL init(const char* /*pluginPath*/) { return clap::enterLibrary(); }
void CLAP_CALL deinit() { clap::leaveLibrary(); }

// Constant data, so it answers whether init ran or not.
const void* CLAP_CALL getFactory(const char* id) {
  return id && std::strcmp(id, clap::kPluginFactoryId) == 0 ? clap::pluginFactory() : nullptr;
}

}  // namespace

// `extern "C"` directly on the definition: a const object inside an extern "C" block
// would have internal linkage and not be exported.
TWINFOLD_CLAP_EXPORT const clap::clap_plugin_entry clap_entry = {{1, 2, 10}, init, deinit, getFactory};
