#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/render/render_error.h"
#include "tools/render/temporary_file.h"

TemporaryFile createTemporaryBeside(const std::string& destination) {
  const std::size_t slash = destination.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  std::string pattern = folder + "." + name + ".partial-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int descriptor = ::mkstemp(buffer.data());
  if (descriptor < 0)
    throw RenderError("cannot write '" + destination + "': " + std::strerror(errno));
  // mkstemp makes the file private; give it the permissions a new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);
  return {buffer.data(), descriptor};
}

void moveIntoPlace(const std::string& temporary, const std::string& destination) {
  if (::rename(temporary.c_str(), destination.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw RenderError("cannot write '" + destination + "': " + std::strerror(error));
  }
}
