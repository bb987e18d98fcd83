#include "tests/clap/clap_fixture.h"

const ClapModule& sharedClapModule() {
  static const ClapModule* module = new ClapModule();
  return *module;
}
