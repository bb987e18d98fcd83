// The plug-in factory and its one descriptor: static constant data, valid whenever the
// library is loaded; creating an instance needs an initialised entry.
#pragma once

#include "abi/clap_abi.h"

namespace clap {

const clap_plugin_factory* pluginFactory();
const clap_plugin_descriptor* pluginDescriptor();

// Counts the entry's init and deinit calls; instances are created while it is above 0.
bool enterLibrary();
void leaveLibrary();
bool libraryEntered();

}  // namespace clap
