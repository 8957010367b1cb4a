#include "ops/progress.h"

#include <cstdio>

#include "window/window_conventions.h"

void ShowProgress(Progress* progress, uint32_t moved, uint32_t total) {
  if (total == 0) return;
  const uint32_t percent = static_cast<uint32_t>(uint64_t{moved} * 100 / total);
  if (percent == progress->shownPercent) return;
  progress->shownPercent = percent;
  char text[32];
  std::snprintf(text, sizeof text, progress->format, static_cast<int>(percent));
  ShowProgressText(text, progress->inTitle);
}
