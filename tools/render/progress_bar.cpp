#include "tools/render/progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::int64_t totalFrames, double sampleRate)
    : total_(totalFrames),
      enabled_(totalFrames > 0 && static_cast<double>(totalFrames) > kMinimumSeconds * sampleRate &&
               ::isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(std::int64_t doneFrames) {
  if (!enabled_) return;
  const int permille = static_cast<int>(doneFrames * 1000 / total_);
  // Redrawn only when the figure changes: a terminal write per block would cost more than the block.
  if (permille == shownPermille_) return;
  shownPermille_ = permille;
  char bar[kBarWidth + 1];
  const int filled = permille * kBarWidth / 1000;
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::fprintf(stderr, "\r[%s] %5.1f%%", bar, permille / 10.0);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!enabled_ || shownPermille_ < 0) return;
  std::fprintf(stderr, "\r%*s\r", kBarWidth + 10, "");
  std::fflush(stderr);
  shownPermille_ = -1;
}
