#pragma once
// Recording fake of the window conventions: every status text, title, control
// text and message box in the order they were shown, with scripted answers.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/window_conventions.h"

enum class ShownKind { Status, Title, ControlText, MessageBox };

struct Shown {
  ShownKind kind;
  std::string text;     // status, title, control text or box text
  int controlId = 0;    // ControlText only
  std::string caption;  // MessageBox only
  BoxOwner owner = BoxOwner::None;
  unsigned style = 0;
};

struct FakeWindow {
  std::vector<Shown> shown;
  std::deque<int> answers;  // answers for the next message boxes; kAnswerOk once empty
};
extern FakeWindow g_fakeWindow;

void ResetFakeWindow();
// The texts of one kind, in order; the message boxes; a control's last text.
std::vector<std::string> ShownTexts(ShownKind kind);
std::vector<Shown> ShownBoxes();
std::string LastControlText(int controlId);
// The text ShowSystemErrorBox shows for a code.
std::string FakeSystemErrorText(uint32_t code);
