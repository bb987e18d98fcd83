// Keeps a module loaded, as a running host keeps a plug-in in use, so that the installer
// tests meet files that cannot be removed: prints "held" once it is loaded, and lets go
// at the first line of its input or at its end.
#include <cstdio>

#include "hosting/module.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: twinfold_hold_module MODULE\n", stderr);
    return 2;
  }
  const hosting::Module module(argv[1]);
  if (!module.loaded()) {
    std::fprintf(stderr, "twinfold_hold_module: %s: %s\n", argv[1], module.error().c_str());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
  return 0;
}
