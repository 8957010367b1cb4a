#pragma once
#include <cstdint>

// Shows an error box (caption "エラー", warning icon) owned by the main window:
// `text`, then, when there is one, a line "理由: " with the reason.
void ShowErrorBox(const char* text, const char* reason = nullptr);
// The same, the reason being the system's own text for `errorCode`.
void ShowErrorBoxForCode(const char* text, uint32_t errorCode);
