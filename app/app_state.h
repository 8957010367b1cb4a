#pragma once
// The few values the whole program shares. Written on the window thread only.

enum class RunMode { Read, Write };

// Fixed at start from the command line, before the main window exists.
extern RunMode g_runMode;
// Set from the dump-to-file box at every Execute; the read operation saves
// "dump.img" when it is 1. Always 0 in write mode, which has no such box.
extern unsigned char g_dumpToFile;
// Full path of the image chosen in the open-file dialog (write mode), NUL-ended.
constexpr unsigned kImagePathSize = 512;
extern char g_imagePath[kImagePathSize];
