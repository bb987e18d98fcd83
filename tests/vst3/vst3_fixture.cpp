#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

Vst3Module& sharedModule() {
  static Vst3Module* module = new Vst3Module(vst3BinaryUnderTest());
  return *module;
}
