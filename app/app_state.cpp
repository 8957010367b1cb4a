#include "app/app_state.h"

RunMode g_runMode = RunMode::Read;
unsigned char g_dumpToFile = 0;
char g_imagePath[kImagePathSize] = {};
