#pragma once
// The program's version: the window title, the version resource and the release's name.
#define kVersionNumbers 1, 0, 0, 0
#define kVersionText "1.0"
