#include "tests/clap/clap_fixture.h"

using namespace hosting;

const ClapModule& sharedClapModule() {
  static const ClapModule* module = new ClapModule(clapFileUnderTest());
  return *module;
}
