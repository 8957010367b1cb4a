#pragma once
// The diagnostic trace on standard output (text mode on Windows). Seen only
// when standard output is redirected; nothing here is ever checked for failure.
#include <cstddef>
#include <cstdint>

// Writes a text unchanged, without a line end.
void TraceText(const char* text);
void TraceSigned(int64_t value);
void TraceUnsigned(uint32_t value);
// Ends the line: a line feed, then a flush.
void TraceEol();
// TraceText(text) then TraceEol().
void TraceLine(const char* text);
// "cylind= " with the low 32 bits of cylinders read as signed, and a line feed.
void TraceCylinders(int64_t cylinders);
// The three "invalid handel" copies of a volume that could not be opened.
void TraceInvalidHandle();
// Echoes bytes unchanged, in one write.
void TraceBytes(const unsigned char* bytes, size_t length);
