#include "output/hex_dump.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "window/control_ids.h"
#include "window/window_conventions.h"

namespace {

constexpr char kHeader[] =
    "\t  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F 0123456789ABCDEF\r\n";

// Bytes 0x20 to 0x7F show as themselves; control bytes and bytes with the
// high bit set show as a dot.
char Printable(unsigned char byte) { return static_cast<signed char>(byte) >= 0x20 ? byte : '.'; }

}  // namespace

size_t FormatHexDump(const unsigned char* bytes, uint16_t n, uint32_t baseAddress, char* text) {
  if (n > kHexDumpMaxBytes) n = kHexDumpMaxBytes;
  char* out = text;
  std::memcpy(out, kHeader, sizeof kHeader - 1);
  out += sizeof kHeader - 1;
  out += std::sprintf(out, "%08x| ", baseAddress);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t lineStart = i - i % 16;
    if (i != 0 && i % 16 == 0) {
      for (uint32_t k = i - 16; k < i; ++k) *out++ = Printable(bytes[k]);
      *out++ = '\r';
      *out++ = '\n';
      out += std::sprintf(out, "%08x| ", baseAddress + i);
    }
    out += std::sprintf(out, "%02x ", bytes[i]);
    if (i == static_cast<uint32_t>(n) - 1) {
      for (uint32_t k = lineStart; k < n; ++k) *out++ = Printable(bytes[k]);
      *out++ = '\r';
      *out++ = '\n';
    }
  }
  *out = '\0';
  return static_cast<size_t>(out - text);
}

uint16_t SectorDumpLength(int32_t count, uint32_t bytes, uint32_t sectorSize) {
  uint64_t length = bytes;
  if (count > 4 && length > uint64_t{4} * sectorSize) length = uint64_t{4} * sectorSize;
  return static_cast<uint16_t>(length < kHexDumpMaxBytes ? length : kHexDumpMaxBytes);
}

void HexDump(const unsigned char* bytes, uint16_t n, uint32_t baseAddress) {
  std::vector<char> text(kHexDumpTextSize);
  FormatHexDump(bytes, n, baseAddress, text.data());
  SetControlText(kDumpBox, text.data());
}
