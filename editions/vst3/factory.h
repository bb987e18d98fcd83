// The module's factory: one audio class, served through factory versions 1, 2 and 3
// with one table. One global instance, created by the first GetPluginFactory and
// destroyed with its last reference.
#pragma once

#include "abi/vst3_abi.h"

namespace vst3 {

// A reference the caller owns (the same object while any reference is alive).
IPluginFactory* acquireFactory();

}  // namespace vst3
