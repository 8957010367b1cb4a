#include "tests/fakes/fake_window.h"

FakeWindow g_fakeWindow;

void ResetFakeWindow() { g_fakeWindow = FakeWindow{}; }

std::vector<std::string> ShownTexts(ShownKind kind) {
  std::vector<std::string> texts;
  for (const Shown& s : g_fakeWindow.shown)
    if (s.kind == kind) texts.push_back(s.text);
  return texts;
}

std::vector<Shown> ShownBoxes() {
  std::vector<Shown> boxes;
  for (const Shown& s : g_fakeWindow.shown)
    if (s.kind == ShownKind::MessageBox) boxes.push_back(s);
  return boxes;
}

std::string LastControlText(int controlId) {
  std::string text;
  for (const Shown& s : g_fakeWindow.shown)
    if (s.kind == ShownKind::ControlText && s.controlId == controlId) text = s.text;
  return text;
}

std::string FakeSystemErrorText(uint32_t code) { return "system message " + std::to_string(code); }

void SetStatusText(const char* text) { g_fakeWindow.shown.push_back({ShownKind::Status, text}); }

void SetMainWindowTitle(const char* text) { g_fakeWindow.shown.push_back({ShownKind::Title, text}); }

void SetControlText(int controlId, const char* text) {
  g_fakeWindow.shown.push_back({ShownKind::ControlText, text ? text : "", controlId});
}

int ShowMessageBox(BoxOwner owner, const char* text, const char* caption, unsigned style) {
  g_fakeWindow.shown.push_back({ShownKind::MessageBox, text, 0, caption, owner, style});
  if (g_fakeWindow.answers.empty()) return kAnswerOk;
  const int answer = g_fakeWindow.answers.front();
  g_fakeWindow.answers.pop_front();
  return answer;
}

int ShowSystemErrorBox(BoxOwner owner, uint32_t errorCode, const char* caption, unsigned style) {
  return ShowMessageBox(owner, FakeSystemErrorText(errorCode).c_str(), caption, style);
}
