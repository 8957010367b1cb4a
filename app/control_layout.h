#pragma once
// The main window's child controls, in creation order, and where they go.
// Places are measured in the two layout units of the screen's system font:
// A (half the ascent) and W (the average character width).
#include <cstdint>

#include "app/app_state.h"

struct LayoutUnits {
  int32_t halfAscent;    // A
  int32_t aveCharWidth;  // W
};

// One coordinate: w * W + a * A + pixels.
struct Measure {
  int32_t w;
  int32_t a;
  int32_t pixels;
};

enum class ControlModes { Both, ReadOnly, WriteOnly };

struct ControlSpec {
  int id;
  const char* className;
  const char* readText;   // text in read mode
  const char* writeText;  // text in write mode (same as readText where equal)
  uint32_t style;
  uint32_t exStyle;
  ControlModes modes;
  Measure x, y, width, height;
};

struct ControlPlace {
  int32_t x, y, width, height;
};

constexpr int kControlCount = 15;
extern const ControlSpec kControls[kControlCount];

// Controls that get the ControlFont, in the order it is handed to them.
constexpr int kControlFontCount = 9;
extern const int kControlFontIds[kControlFontCount];

bool ControlExistsIn(const ControlSpec& control, RunMode mode);
const char* ControlText(const ControlSpec& control, RunMode mode);
ControlPlace PlaceControl(const ControlSpec& control, LayoutUnits units);
// The layout's vertical unit: the ascent halved toward zero.
int32_t HalfAscent(int32_t ascent);
