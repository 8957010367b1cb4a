#include "tests/fakes/fake_window.h"

#include <string>

FakeWindow g_fakeWindow;

void ResetFakeWindow() { g_fakeWindow = FakeWindow{}; }
void PrintTo(const Shown& s, std::ostream* out) {
  *out << s.caption << ": " << s.text << " " << s.style;
}

std::vector<Shown> ShownOf(ShownKind kind) {
  std::vector<Shown> shown;
  for (const Shown& s : g_fakeWindow.shown)
    if (s.kind == kind) shown.push_back(s);
  return shown;
}

std::vector<std::string> ShownTexts(ShownKind kind) {
  std::vector<std::string> texts;
  for (const Shown& s : ShownOf(kind)) texts.push_back(s.text);
  return texts;
}

void SetStatusText(const char* text) { g_fakeWindow.shown.push_back({ShownKind::Status, text}); }
void KeepWindowResponsive() {}
void ShowProgressText(const char* text, bool inTitle) {
  SetStatusText(text);
  if (inTitle) SetMainWindowTitle(text);
}
void SetMainWindowTitle(const char* text) {
  g_fakeWindow.shown.push_back({ShownKind::Title, text});
}
void SetControlText(int id, const char* text) {
  g_fakeWindow.shown.push_back({ShownKind::ControlText, text ? text : "", id});
}

int ShowMessageBox(BoxOwner owner, const char* text, const char* caption, unsigned style) {
  g_fakeWindow.shown.push_back({ShownKind::MessageBox, text, 0, caption, owner, style});
  if (g_fakeWindow.answers.empty()) return kAnswerOk;
  const int answer = g_fakeWindow.answers.front();
  g_fakeWindow.answers.pop_front();
  return answer;
}
// The system's text for a code, as far as a fake knows it.
int ShowSystemErrorBox(BoxOwner owner, uint32_t errorCode, const char* caption, unsigned style) {
  const std::string text = "system message " + std::to_string(errorCode);
  return ShowMessageBox(owner, text.c_str(), caption, style);
}
