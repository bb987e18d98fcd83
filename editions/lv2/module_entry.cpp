// The module's one export: the descriptor of its one plug-in.
#include "editions/lv2/plugin.h"

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? lv2::pluginDescriptor() : nullptr;
}
