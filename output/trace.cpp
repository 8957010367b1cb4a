#include "output/trace.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

// Standard output stays in the C runtime's default mode: text mode on
// Windows, so every line feed goes out as carriage return and line feed.

void TraceText(const char* text) { std::fputs(text, stdout); }

void TraceSigned(int64_t value) { std::printf("%" PRId64, value); }

void TraceUnsigned(uint32_t value) { std::printf("%" PRIu32, value); }

void TraceEol() {
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void TraceLine(const char* text) {
  TraceText(text);
  TraceEol();
}

void TraceCylinders(int64_t cylinders) {
  const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(cylinders));
  std::printf("cylind= %" PRId32 "\n", low);
}

void TraceInvalidHandle() {
  std::fputs("invalid handel", stdout);
  std::printf("invalid handel\n");
  TraceLine("invalid handel");
}

#ifdef _WIN32
// Text mode turns each line feed into carriage return and line feed a few
// hundred bytes at a time. Echoing a whole run that way costs more than
// reading it, so the same bytes are made here and written in binary mode.
void TraceBytes(const unsigned char* bytes, size_t length) {
  std::string echoed;
  echoed.reserve(length + length / 16);
  for (size_t i = 0; i < length; ++i) {
    if (bytes[i] == '\n') echoed += '\r';
    echoed += static_cast<char>(bytes[i]);
  }
  std::fflush(stdout);
  const int mode = _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(echoed.data(), 1, echoed.size(), stdout);
  std::fflush(stdout);
  if (mode != -1) _setmode(_fileno(stdout), mode);
}
#else
void TraceBytes(const unsigned char* bytes, size_t length) {
  if (length != 0) std::fwrite(bytes, 1, length, stdout);
}
#endif
