#include "tests/e2e/expected.h"

#include <windows.h>

#include <cstdio>

unsigned char ImageByte(uint32_t offset) {
  static const unsigned char kTricky[] = {0x0D, 0x0A, 0x0A, 0x1A, 0x00, 0x7F, 0x80, 0xFF};
  if (offset < sizeof kTricky) return kTricky[offset];
  return static_cast<unsigned char>(offset / kSector * 5 + offset % 249);
}

std::string ImageBytes(uint32_t offset, uint32_t length) {
  std::string bytes;
  for (uint32_t i = 0; i < length; ++i) bytes += static_cast<char>(ImageByte(offset + i));
  return bytes;
}

std::string ExpectedDump(const std::string& bytes, uint32_t base) {
  std::string text = "\t  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F 0123456789ABCDEF\r\n";
  char field[16];
  if (bytes.empty()) {
    std::snprintf(field, sizeof field, "%08x| ", base);
    return text + field;
  }
  for (size_t line = 0; line < bytes.size(); line += 16) {
    std::snprintf(field, sizeof field, "%08x| ", static_cast<unsigned>(base + line));
    text += field;
    for (size_t i = line; i < line + 16; ++i) {
      std::snprintf(field, sizeof field, "%02x ", static_cast<unsigned char>(bytes[i]));
      text += field;
    }
    for (size_t i = line; i < line + 16; ++i) {
      const unsigned char c = bytes[i];
      text += c >= 0x20 && c <= 0x7F ? static_cast<char>(c) : '.';
    }
    text += "\r\n";
  }
  return text;
}

int Occurrences(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

std::string ExpectedFloppyReport(const char* mediaName, bool writeMode) {
  ULARGE_INTEGER available = {}, total = {}, free = {};
  GetDiskFreeSpaceExA("A:\\", &available, &total, &free);
  char range[64];
  std::snprintf(range, sizeof range, "%u(Mbyte)(0-%#x)(%u)\r\n",
                static_cast<unsigned>(total.QuadPart / 1024 / 1024),
                static_cast<unsigned>(total.QuadPart - (writeMode ? 0 : 1)),
                static_cast<unsigned>(total.QuadPart / 512));
  return std::string("シリンダ数=80\r\n1シリンダ当りのトラック数=2\r\n"
                     "1トラック当りのセクター数=18\r\n1セクター当りの容量=512(byte)\r\n総容量=") +
         range + "メディアタイプ=" + mediaName;
}
