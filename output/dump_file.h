#pragma once
#include <cstdint>

// A save found that the file the system created under the partial file's name
// is not that file in the current directory (a hard link, a reparse point, or
// a path that leads elsewhere): an application-defined code.
constexpr uint32_t kErrorCreatedElsewhere = 0x20000001;

// Saves `length` bytes as the raw file `name` in the current directory, never
// appended to. The bytes go to "<name>.tmp", created new and checked to be
// that file in the current directory, and take the name only once every one
// of them is on the disk and that file is closed, replacing the previous file
// in one step that is itself on the disk when this returns. On any failure
// the previous file (or a folder of that name) is left exactly as it was, and
// only a partial file this save created is removed: a name it found, of any
// kind, is never touched. With echoToTrace the bytes are echoed to the trace
// too, whatever becomes of the file. Returns 0 when `name` holds the bytes,
// else the failing step's code.
uint32_t SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                      bool echoToTrace);

// Tells in an error box that `name` was not saved: `text`, then why, for a
// partial file's name that was taken, or created elsewhere, with what to do.
void TellSaveFailure(const char* text, const char* name, uint32_t error);
