// A one-line progress bar on stderr, shown only when stderr is a terminal and the
// render is long enough for anyone to wait on it.
#pragma once

#include <cstdint>

class ProgressBar {
 public:
  ProgressBar(std::int64_t totalFrames, double sampleRate);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(std::int64_t doneFrames);
  // Clears the bar so the next line starts clean.
  void finish();

  static constexpr double kMinimumSeconds = 5.0;

 private:
  std::int64_t total_;
  bool enabled_;
  int shownPermille_ = -1;
};
