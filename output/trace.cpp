#include "output/trace.h"

#include <cinttypes>
#include <cstdio>

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

void TraceBytes(const unsigned char* bytes, size_t length) {
  if (length != 0) std::fwrite(bytes, 1, length, stdout);
}
