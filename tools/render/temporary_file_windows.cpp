// Windows: either slash separates folders, and the move must be told to replace an
// existing destination (rename() refuses to).
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "tools/render/render_error.h"
#include "tools/render/temporary_file.h"

TemporaryFile createTemporaryBeside(const std::string& destination) {
  const std::size_t slash = destination.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  std::string pattern = folder + "." + name + ".partial-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  // mingw's mkstemp opens exclusively and in binary mode, with the usual permissions.
  const int descriptor = ::mkstemp(buffer.data());
  if (descriptor < 0)
    throw RenderError("cannot write '" + destination + "': " + std::strerror(errno));
  return {buffer.data(), descriptor};
}

void moveIntoPlace(const std::string& temporary, const std::string& destination) {
  if (!::MoveFileExA(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(temporary.c_str());
    throw RenderError("cannot write '" + destination + "': " +
                      std::system_category().message(static_cast<int>(error)));
  }
}
