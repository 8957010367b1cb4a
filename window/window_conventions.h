#pragma once
// How everything outside the window code shows results to the user: the status
// bar's single text, a transfer's progress (also in the main window's title), a
// child control's text by its identifier, and message boxes. The Win32 version
// lives in window_conventions_win32.cpp; native tests link a recording fake.
#include <cstddef>
#include <cstdint>

enum class BoxOwner { None, MainWindow };

// Message box styles and answers, with the platform's values.
constexpr unsigned kBoxOk = 0x00;
constexpr unsigned kBoxYesNo = 0x04;
constexpr unsigned kBoxIconQuestion = 0x20;
constexpr unsigned kBoxIconWarning = 0x30;
constexpr unsigned kBoxIconInformation = 0x40;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

// Replaces the status bar's text.
void SetStatusText(const char* text);
// Shows one step of a transfer's progress: replaces the status bar's text and,
// with inTitle, the main window's title. A transfer shows many, so the window
// shows the latest of them at most twice a second, when it is served, and
// before any other text or box.
void ShowProgressText(const char* text, bool inTitle);
// Replaces the text of the main window's child control `controlId`; a null text empties it.
void SetControlText(int controlId, const char* text);
// Lets the window thread retrieve its messages when it has not done so for a
// while, so that the window never counts as not responding during a long
// operation: it repaints and answers other programs, but takes no input and
// runs no command. Cheap enough to call for every sector.
void KeepWindowResponsive();
// A long step (a file, a read-back) moves at most this many bytes between two
// calls of KeepWindowResponsive: a piece that moves in well under a second.
constexpr uint32_t kPieceBytes = 1 << 20;
// Shows a modal message box and returns the button the user pressed.
int ShowMessageBox(BoxOwner owner, const char* text, const char* caption, unsigned style);
// Shows the system's own message text for `errorCode` in a message box.
int ShowSystemErrorBox(BoxOwner owner, uint32_t errorCode, const char* caption, unsigned style);
// Writes why a call failed, as a box tells it: "コード <errorCode>: " and the
// system's own message text for it (the code alone when there is none).
void FormatSystemReason(uint32_t errorCode, char* text, size_t size);
