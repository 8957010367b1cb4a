#pragma once
// What the tests expect, written independently of the program and once for all of them.
#include <algorithm>
#include <cstdio>
#include <string>

// A lead byte of code page 932: it and the next byte are one character.
inline bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The hex dump text TORVEX must show for `bytes` read from byte `base` of a volume: the
// header, then sixteen bytes a line (address, each byte in hex, printable bytes as themselves
// and "." for the rest); only the first address when there are no bytes.
inline std::string ExpectedDump(const std::string& bytes, unsigned base) {
  const auto format = [](const char* format, unsigned value) {
    char text[16];
    return std::string(text, std::snprintf(text, sizeof text, format, value));
  };
  std::string text = "\t  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F 0123456789ABCDEF\r\n";
  text += format("%08x| ", base);
  for (size_t line = 0; line < bytes.size(); line += 16) {
    std::string characters;
    if (line > 0) text += format("%08x| ", base + static_cast<unsigned>(line));
    for (size_t i = line; i < std::min(bytes.size(), line + 16); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      text += format("%02x ", byte);
      characters += byte >= 0x20 && byte < 0x80 ? static_cast<char>(byte) : '.';
    }
    text += characters + "\r\n";
  }
  return text;
}
