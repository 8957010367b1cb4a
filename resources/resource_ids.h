#pragma once
// The program's icon group: gives the file and the window their icon.
#define kProgramIconId 200
