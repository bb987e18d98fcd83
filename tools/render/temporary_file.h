// The output's temporary file: a hidden name beside the destination, so the final move
// stays on one file system and a leftover from a killed run never looks like the
// finished file. One implementation per system (temporary_file_posix.cpp, _windows.cpp).
#pragma once

#include <string>

struct TemporaryFile {
  std::string path;
  int descriptor = -1;  // open for writing, in binary mode
};

// Both throw RenderError naming `destination`; a failed move removes the temporary file.
TemporaryFile createTemporaryBeside(const std::string& destination);
void moveIntoPlace(const std::string& temporary, const std::string& destination);
