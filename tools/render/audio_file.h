// Audio files through libsndfile: an input read block by block, and an output written
// to a hidden temporary file beside its destination that becomes the destination only
// on commit(), so a failed or interrupted render leaves no half-written file behind.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

struct AudioFormat {
  std::int32_t channels = 0;
  double sampleRate = 0.0;
  int fileFormat = 0;  // libsndfile's container | encoding
  std::int64_t frames = 0;
};

// "WAV, 32-bit float" and the like, for messages and reports.
std::string describeFileFormat(int fileFormat);

class InputFile {
 public:
  explicit InputFile(const std::string& path);  // throws RenderError
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const AudioFormat& format() const { return format_; }
  const std::string& path() const { return path_; }
  // Interleaved frames; answers how many were read (0 at the end).
  std::int64_t read(float* interleaved, std::int64_t frames);
  std::int64_t read(double* interleaved, std::int64_t frames);

 private:
  std::string path_;
  SNDFILE* file_ = nullptr;
  AudioFormat format_;
};

class OutputFile {
 public:
  // Creates the temporary file; throws RenderError when the format cannot take the
  // channel count or sample rate.
  OutputFile(const std::string& path, int fileFormat, std::int32_t channels, double sampleRate);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(const float* interleaved, std::int64_t frames);
  void write(const double* interleaved, std::int64_t frames);
  // Closes the file and moves it into place; throws RenderError on failure.
  void commit();

 private:
  void discard() noexcept;

  std::string path_;
  std::string temporaryPath_;
  SNDFILE* file_ = nullptr;
  bool committed_ = false;
};

// Writes `bytes` to `path` through a temporary file in the same folder, replacing it
// only when everything was written.
void writeFileAtomically(const std::string& path, const void* bytes, std::size_t size);
