#pragma once
// The few values the whole program shares. Written on the window thread only.

enum class RunMode { Read, Write };

// Fixed at start from the command line, before the main window exists.
extern RunMode g_runMode;
// Full path of the image chosen in the open-file dialog (write mode), NUL-ended.
constexpr unsigned kImagePathSize = 512;
extern char g_imagePath[kImagePathSize];
