#include "output/hex_dump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/fakes/fake_window.h"

namespace {

const std::string kHeader =
    "\t  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F 0123456789ABCDEF\r\n";

constexpr unsigned char kGuard = 0xA5;
constexpr size_t kGuardSize = 64;

// Formats into a text buffer followed by guard bytes and checks that the
// returned length, the terminator and the guard agree.
std::string Dump(const unsigned char* bytes, uint16_t n, uint32_t base) {
  std::vector<char> buffer(kHexDumpTextSize + kGuardSize, static_cast<char>(kGuard));
  const size_t length = FormatHexDump(bytes, n, base, buffer.data());
  for (size_t i = kHexDumpTextSize; i < buffer.size(); ++i) {
    EXPECT_EQ(static_cast<unsigned char>(buffer[i]), kGuard)
        << "n = " << n << " wrote past the text at byte " << i;
  }
  EXPECT_LT(length, kHexDumpTextSize);
  if (length >= kHexDumpTextSize) return {};
  EXPECT_EQ(buffer[length], '\0') << "n = " << n;
  EXPECT_EQ(std::strlen(buffer.data()), length) << "n = " << n;
  return std::string(buffer.data(), length);
}

std::string Dump(const std::vector<unsigned char>& bytes, uint32_t base) {
  return Dump(bytes.data(), static_cast<uint16_t>(bytes.size()), base);
}

std::vector<unsigned char> Counting(size_t n, unsigned char first = 0) {
  std::vector<unsigned char> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(first + i);
  return bytes;
}

TEST(HexDump, NoBytesGiveHeaderAndFirstAddressOnly) {
  EXPECT_EQ(Dump(nullptr, 0, 0x200), kHeader + "00000200| ");
  const unsigned char unused = 0x41;
  EXPECT_EQ(Dump(&unused, 0, 0), kHeader + "00000000| ");
}

TEST(HexDump, OneFullLine) {
  EXPECT_EQ(Dump(Counting(16, 0x41), 0),
            kHeader +
                "00000000| 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 "
                "ABCDEFGHIJKLMNOP\r\n");
}

TEST(HexDump, TwoLinesAtBase0x200) {
  EXPECT_EQ(Dump(Counting(32), 0x200),
            kHeader +
                "00000200| 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f "
                "................\r\n"
                "00000210| 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f "
                "................\r\n");
}

TEST(HexDump, CharacterColumnShowsOnlyTwentyToSevenF) {
  const std::vector<unsigned char> bytes = {0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x00, 0x0A,
                                            0x0D, 0x09, 0x30, 0x5C, 0x81, 0x9F, 0xE0, 0xA5};
  EXPECT_EQ(Dump(bytes, 0),
            kHeader +
                "00000000| 1f 20 7e 7f 80 ff 00 0a 0d 09 30 5c 81 9f e0 a5 "
                ". ~\x7f" "......0\\....\r\n");
}

TEST(HexDump, AddressesCountFromTheBase) {
  const std::string text = Dump(Counting(48), 0x1400);
  ASSERT_EQ(text.size(), kHeader.size() + 3 * 76);
  EXPECT_EQ(text.substr(69, 10), "00001400| ");
  EXPECT_EQ(text.substr(69 + 76, 10), "00001410| ");
  EXPECT_EQ(text.substr(69 + 2 * 76, 10), "00001420| ");
}

TEST(HexDump, AddressesAreLowerCaseHex) {
  const std::string text = Dump(Counting(32), 0xABCDEF00);
  EXPECT_EQ(text.substr(69, 10), "abcdef00| ");
  EXPECT_EQ(text.substr(69 + 76, 10), "abcdef10| ");
}

TEST(HexDump, FinalPartialLineShowsOnlyItsOwnCharacters) {
  const std::string text = Dump(Counting(20, 0x41), 0);
  const std::string fullLines = kHeader +
                                "00000000| 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 "
                                "ABCDEFGHIJKLMNOP\r\n"
                                "00000010| 51 52 53 54 ";
  ASSERT_EQ(text.substr(0, fullLines.size()), fullLines);
  // Padding of the hex part is optional; the characters and the line end are not.
  const std::string rest = text.substr(fullLines.size());
  const std::string tail = "QRST\r\n";
  ASSERT_GE(rest.size(), tail.size()) << rest;
  EXPECT_EQ(rest.substr(rest.size() - tail.size()), tail);
  EXPECT_EQ(rest.find_first_not_of(' '), rest.size() - tail.size()) << rest;
}

TEST(HexDump, SingleByte) {
  const unsigned char byte = 0x7A;
  const std::string text = Dump(&byte, 1, 0x10);
  const std::string start = kHeader + "00000010| 7a ";
  ASSERT_EQ(text.substr(0, start.size()), start);
  const std::string rest = text.substr(start.size());
  EXPECT_EQ(rest.find_first_not_of(' '), rest.size() - 3) << rest;
  EXPECT_EQ(rest.substr(rest.size() - 3), "z\r\n");
}

TEST(HexDump, LengthsOfWholeSectors) {
  const struct {
    uint16_t n;
    size_t length;
  } cases[] = {{16, 69 + 76}, {512, 2501}, {1024, 69 + 64 * 76}, {2048, 9797}};
  for (const auto& c : cases) {
    const std::vector<unsigned char> bytes = Counting(c.n);
    EXPECT_EQ(Dump(bytes, 0).size(), c.length) << "n = " << c.n;
  }
}

TEST(HexDump, EveryLineOfFourSectorsHasItsAddressAndBytes) {
  const std::vector<unsigned char> bytes = Counting(2048, 0x30);
  const std::string text = Dump(bytes, 0x10000);
  ASSERT_EQ(text.size(), 9797u);
  for (size_t line = 0; line < 128; ++line) {
    const std::string got = text.substr(69 + line * 76, 76);
    char address[16];
    std::snprintf(address, sizeof address, "%08x| ", static_cast<unsigned>(0x10000 + line * 16));
    EXPECT_EQ(got.substr(0, 10), address) << "line " << line;
    char firstByte[8];
    std::snprintf(firstByte, sizeof firstByte, "%02x ", bytes[line * 16]);
    EXPECT_EQ(got.substr(10, 3), firstByte) << "line " << line;
    EXPECT_EQ(got.substr(74), "\r\n") << "line " << line;
  }
}

// Longer input is cut to its first 2,048 bytes; no length writes past the text.
TEST(HexDump, LongInputIsCutToTheFirstFourSectors) {
  const std::vector<unsigned char> bytes = Counting(65535, 0x20);
  const std::string fourSectors = Dump(bytes.data(), kHexDumpMaxBytes, 0x400);
  ASSERT_EQ(fourSectors.size(), 9797u);
  for (uint16_t n : {2049, 2064, 2160, 2161, 2704, 2705, 4096, 8192, 65535}) {
    EXPECT_EQ(Dump(bytes.data(), n, 0x400), fourSectors) << "n = " << n;
  }
}

TEST(HexDump, IsShownInTheDumpBox) {
  ResetFakeWindow();
  const std::vector<unsigned char> bytes = Counting(32);
  HexDump(bytes.data(), 32, 0x200);
  EXPECT_EQ(ShownTexts(ShownKind::ControlText).size(), 1u);
  EXPECT_EQ(LastControlText(kDumpBox), Dump(bytes, 0x200));
}

TEST(HexDump, LongInputInTheDumpBoxIsCutToo) {
  ResetFakeWindow();
  const std::vector<unsigned char> bytes = Counting(65535);
  HexDump(bytes.data(), 65535, 0);
  EXPECT_EQ(LastControlText(kDumpBox).size(), 9797u);
}

}  // namespace
