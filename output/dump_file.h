#pragma once
#include <cstdint>

// Saves `length` bytes as the raw file `name` in the current directory, never
// appended to. The bytes go to "<name>.tmp" first and take the name only once
// every one of them is on the disk and that file is closed, replacing the
// previous file in one step that is itself on the disk when this returns; on
// any failure the partial file is removed and the previous file (or a folder
// of that name) is left exactly as it was. With
// echoToTrace the bytes are echoed to the trace too, whatever becomes of the
// file. Returns 0 when `name` holds the bytes, else the failing step's system
// error code.
uint32_t SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                      bool echoToTrace);
