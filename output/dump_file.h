#pragma once
#include <cstdint>

// Saves `length` bytes as the raw file `name` in the current directory,
// created or truncated, never appended to. A file that cannot be opened is
// skipped silently and an existing one is left as it was. With echoToTrace
// the bytes are echoed to the trace too, whether or not the file opened.
// True only when the file was opened, took every byte and closed cleanly.
bool SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                  bool echoToTrace);
