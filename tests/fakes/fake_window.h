#pragma once
// Recording fake of the window conventions: every status text, title, control
// text and message box in the order they were shown, with scripted answers.
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "window/window_conventions.h"

enum class ShownKind { Status, Title, ControlText, MessageBox };
struct Shown {
  ShownKind kind;
  std::string text = {};  // status, title, control text or box text
  int controlId = 0;
  std::string caption = {};  // a box's
  BoxOwner owner = BoxOwner::None;
  unsigned style = 0;
  bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* out);
struct FakeWindow {
  std::vector<Shown> shown;
  std::deque<int> answers;  // the next boxes' answers; kAnswerOk once used up
};
extern FakeWindow g_fakeWindow;

void ResetFakeWindow();
// Everything shown of one kind, in order, and the texts of it.
std::vector<Shown> ShownOf(ShownKind kind);
std::vector<std::string> ShownTexts(ShownKind kind);
