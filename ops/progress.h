#pragma once
#include <cstdint>

// The progress of one transfer loop: a text with the percentage moved, shown
// in the status bar and, for some loops, as the main window's title. The texts
// are sent only when the percentage changes.
struct Progress {
  const char* format;  // one "%3d%%" for the percentage
  bool inTitle;
  uint32_t shownPercent;
};

// (moved x 100) / total, truncated. Computed in 64 bits: moved x 100 would wrap
// in 32 bits past 40 MiB and show the percentage falling back.
void ShowProgress(Progress* progress, uint32_t moved, uint32_t total);
