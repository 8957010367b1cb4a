// What only a direct call reaches: edge values, CP932 bytes, failures no window run produces.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/command_line.h"
#include "app/control_layout.h"
#include "output/dump_file.h"
#include "output/trace.h"
#include "tests/expected.h"
#include "tests/unit/test_support.h"
#include "volume/disk_geometry.h"
#include "volume/geometry_report.h"
#include "window/control_ids.h"

namespace {

TEST(Functions, ArgumentVectorIsTheModulePathThenTheSplitRest) {
  const struct {
    const char* line;
    std::vector<std::string> args;
    LeadByteTest lead = IsCp932LeadByte;
  } rows[] = {
      {.line = "\"C:\\a b\\\"x\t-W", .args = {"m", "x", "-W"}},
      {.line = "t a\"b c\"d \"e f", .args = {"m", "ab cd", "e f"}},
      {.line = "t \\\"a a\\\\b a\\\\\"b *", .args = {"m", "\"a", "a\\\\b", "a\\\"b", "*"}},
      // In CP932 0x95 0x5C is one character: its trail byte escapes nothing.
      {.line = "t \x95\x5c\" x\" \"\x83\x5c\" a\x81", .args = {"m", "\x95\x5c x", "\x83\x5c", "a\x81"}},
      {.line = "t \x95\x5c\" x", .args = {"m", "\x95\"", "x"}, .lead = [](unsigned char) { return false; }}};
  for (const auto& row : rows) EXPECT_EQ(BuildArgumentVector("m", row.line, row.lead), row.args);
}

TEST(Functions, GeometryReportShowsEveryFigureAsSigned32Bits) {
  const char* kLabels[] = {"\x83\x56\x83\x8A\x83\x93\x83\x5F\x90\x94=",  // シリンダ数= in CP932
                           "\r\n1シリンダ当りのトラック数=", "\r\n1トラック当りのセクター数=",
                           "\r\n1セクター当りの容量=", "(byte)\r\n総容量=", "\r\nメディアタイプ="};
  using enum RangeEnd;
  const struct { DiskGeometry disk; uint64_t total; const char* figures; RangeEnd end = LastByte; }
      rows[] = {
          {.disk = {243, kMediaFixed, 255, 63, 512}, .total = (1ull << 51) + (1ull << 40),
           .figures = "243|255|63|512|-2146435072(Mbyte)(0-0xffffffff)(-2147483648)|FixedMedia"},
          {.disk = {243, kMediaRemovable, 255, 63, 0}, .total = 1474560,
           .figures = "243|255|63|0|1(Mbyte)(0-0x167fff)(0)|RemovalMedia"},
          {.disk = {80, kMediaFloppy144, 2, 18, 512}, .total = 0,  // the free-space query failed
           .figures = "80|2|18|512|0(Mbyte)(0-0)(0)|Floppy"},
          {.disk = {243, kMediaFixed, 255, 63, 512}, .total = 1ull << 32,
           .figures = "243|255|63|512|4096(Mbyte)(0-0)(8388608)|FixedMedia", .end = TotalBytes},
          {.disk = {0x1B2D05E00, 3, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFE00u}, .total = 0x1FFFFFC00,
           .figures = "-1294967295|-2147483648|-1|-512|8191(Mbyte)(0-0xfffffc00)(2)|unknown",
           .end = TotalBytes}};
  for (const auto& row : rows) {
    std::istringstream in(row.figures);
    std::string expected, figure;
    for (const char* label : kLabels) expected += label + (std::getline(in, figure, '|'), figure);
    char text[kGeometryReportSize];
    FormatGeometryReport(row.disk, row.total, row.end, text);
    EXPECT_EQ(text, expected);
  }
}

// A dump file is saved whole, or what stood under its name stays; the echo goes on either way.
TEST(Functions, DumpFileIsRawOrNotWrittenAtAll) {
  const std::string kFolder = "(a folder)", kLarge(200000, 'Z');
  const struct { const char* name; std::string before, bytes; bool saved; } rows[] = {
      {.name = "dump.img", .before = "old", .bytes = kLarge + "\n\r\n\x1a", .saved = true},
      {.name = "dump_bak.img", .before = "old", .bytes = "", .saved = true},
      {.name = "dump.img", .before = kFolder, .bytes = "\n\x1a", .saved = false}};
  for (const auto& row : rows) {
    TestDirectory folder;
    if (row.before == kFolder) std::filesystem::create_directory(row.name);
    else std::ofstream(row.name) << row.before;
    bool saved = !row.saved;
    EXPECT_EQ(CaptureStdout([&] {
      const auto* bytes = reinterpret_cast<const unsigned char*>(row.bytes.data());
      saved = SaveDumpFile(row.name, bytes, static_cast<uint32_t>(row.bytes.size()), true);
    }), AsStandardOutput(row.bytes));
    EXPECT_EQ(saved, row.saved);
    EXPECT_EQ(folder.Read(row.name), row.saved ? row.bytes : "");
  }
}

// Lines no run under Wine produces; a line end flushes before any later unbuffered write.
TEST(Functions, TraceEdgesAndTheFlushAtEveryLineEnd) {
  const struct { void (*write)(); const char* out; } rows[] = {
      {.write = [] { TraceLine(" lock error "); }, .out = " lock error \n"},
      {.write = [] { TraceSigned(INT32_MIN), TraceUnsigned(UINT32_MAX); },
       .out = "-21474836484294967295"},
      {.write = [] { TraceCylinders((1ll << 32) + 3000000000); }, .out = "cylind= -1294967296\n"},
      {.write = [] { TraceText("nRead="); TraceEol(); (void)!write(1, "|", 1); },
       .out = "nRead=\n|"}};
  for (const auto& row : rows) EXPECT_EQ(CaptureStdout(row.write), AsStandardOutput(row.out));
}

// A position is a signed 32-bit byte offset: start × size must stay below 2 GiB,
// also where the product wraps in 32 bits.
TEST(Functions, StartPositionBelow2GiB) {
  const struct { int32_t start; uint32_t size; bool addressable; } rows[] = {
      {0, 512, true}, {-1, 512, false}, {INT32_MIN, 512, false}, {4194303, 512, true},
      {4194304, 512, false}, {524287, 4096, true}, {524288, 4096, false}, {8388608, 512, false},
      {16777216, 256, false}, {1, 0x80000000u, false}, {1, 0x7FFFFFFFu, true},
      {INT32_MAX, 1, true}, {INT32_MAX, 0xFFFFFFFFu, false}, {INT32_MAX, 0, true}, {-1, 0, false}};
  for (const auto& row : rows)
    EXPECT_EQ(StartPositionIsAddressable(row.start, row.size), row.addressable)
        << row.start << " x " << row.size;
}

// Units of 7 (half an ascent of 15) and 5 tell a swap of the two apart.
TEST(Functions, ControlPlacesUseBothLayoutUnits) {
  const int A = HalfAscent(15), W = 5;
  const struct { int id; ControlPlace place; } rows[] = {
      {kDriveList, {8 * W + 25, 15, 7 * W, 12 * A}},
      {kPathBox, {10 * W + 42, 6 * A + 51, 20 * W, 3 * A}},
      {kBrowseButton, {30 * W + 42, 6 * A + 51, 3 * W, 3 * A}}};
  ASSERT_EQ(A, 7);
  for (const auto& row : rows) {
    const auto* control = std::find_if(std::begin(kControls), std::end(kControls),
                                       [&](const ControlSpec& c) { return c.id == row.id; });
    const ControlPlace p = PlaceControl(*control, {A, W}), want = row.place;
    EXPECT_EQ(std::tie(p.x, p.y, p.width, p.height),
              std::tie(want.x, want.y, want.width, want.height)) << "control " << row.id;
  }
}

}  // namespace
