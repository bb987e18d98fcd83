#include "tools/render/audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/render/render_error.h"
#include "tools/render/temporary_file.h"

namespace {

std::string formatName(int command, int format) {
  SF_FORMAT_INFO info{};
  info.format = format;
  if (sf_command(nullptr, command, &info, sizeof info) != 0 || !info.name) return "format 0x" + std::to_string(format);
  return info.name;
}

}  // namespace

std::string describeFileFormat(int fileFormat) {
  return formatName(SFC_GET_FORMAT_INFO, fileFormat & SF_FORMAT_TYPEMASK) + ", " +
         formatName(SFC_GET_FORMAT_INFO, fileFormat & SF_FORMAT_SUBMASK);
}

InputFile::InputFile(const std::string& path) : path_(path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) throw RenderError("input file '" + path + "' not found");
  if (S_ISDIR(status.st_mode)) throw RenderError("input '" + path + "' is a folder, not an audio file");
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (!file_)
    throw RenderError("cannot read input file '" + path + "': " + sf_strerror(nullptr));
  if (info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file_);
    throw RenderError("input file '" + path + "' has no audio channels or no sample rate");
  }
  format_ = {info.channels, static_cast<double>(info.samplerate), info.format, info.frames};
}

InputFile::~InputFile() { sf_close(file_); }

std::int64_t InputFile::read(float* interleaved, std::int64_t frames) { return sf_readf_float(file_, interleaved, frames); }
std::int64_t InputFile::read(double* interleaved, std::int64_t frames) {
  return sf_readf_double(file_, interleaved, frames);
}

OutputFile::OutputFile(const std::string& path, int fileFormat, std::int32_t channels, double sampleRate)
    : path_(path) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(sampleRate);
  info.format = fileFormat;
  if (!sf_format_check(&info))
    throw RenderError("cannot write " + std::to_string(channels) + " channels at " +
                      std::to_string(info.samplerate) + " Hz as " + describeFileFormat(fileFormat));
  TemporaryFile temporary = createTemporaryBeside(path);
  temporaryPath_ = temporary.path;
  file_ = sf_open_fd(temporary.descriptor, SFM_WRITE, &info, SF_TRUE);
  if (!file_) {
    const std::string reason = sf_strerror(nullptr);
    ::close(temporary.descriptor);
    ::unlink(temporaryPath_.c_str());
    throw RenderError("cannot write '" + path + "': " + reason);
  }
  // Integer encodings clip what the plug-in pushes past full scale instead of wrapping.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

OutputFile::~OutputFile() {
  if (!committed_) discard();
}

void OutputFile::write(const float* interleaved, std::int64_t frames) {
  if (sf_writef_float(file_, interleaved, frames) != frames)
    throw RenderError("writing '" + path_ + "' failed: " + sf_strerror(file_));
}

void OutputFile::write(const double* interleaved, std::int64_t frames) {
  if (sf_writef_double(file_, interleaved, frames) != frames)
    throw RenderError("writing '" + path_ + "' failed: " + sf_strerror(file_));
}

void OutputFile::commit() {
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    discard();
    throw RenderError("writing '" + path_ + "' failed: " + sf_error_number(closed));
  }
  moveIntoPlace(temporaryPath_, path_);
  committed_ = true;
}

void OutputFile::discard() noexcept {
  if (file_) sf_close(file_);
  file_ = nullptr;
  ::unlink(temporaryPath_.c_str());
}

void writeFileAtomically(const std::string& path, const void* bytes, std::size_t size) {
  TemporaryFile temporary = createTemporaryBeside(path);
  const auto* next = static_cast<const char*>(bytes);
  std::size_t left = size;
  while (left > 0) {
    const ssize_t written = ::write(temporary.descriptor, next, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = errno;
      ::close(temporary.descriptor);
      ::unlink(temporary.path.c_str());
      throw RenderError("cannot write '" + path + "': " + std::strerror(error));
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
  if (::close(temporary.descriptor) != 0) {
    const int error = errno;
    ::unlink(temporary.path.c_str());
    throw RenderError("cannot write '" + path + "': " + std::strerror(error));
  }
  moveIntoPlace(temporary.path, path);
}
