#include "tests/vst3/vst3_fixture.h"

Vst3Module& sharedModule() {
  static Vst3Module* module = new Vst3Module();
  return *module;
}
