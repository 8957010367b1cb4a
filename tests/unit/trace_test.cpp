#include "output/trace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/unit/stdout_capture.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Writes straight to file descriptor 1, past every buffer of the trace.
void WriteUnbuffered(const char* text) {
#ifdef _WIN32
  _write(1, text, static_cast<unsigned>(std::char_traits<char>::length(text)));
#else
  const ssize_t ignored = write(1, text, std::char_traits<char>::length(text));
  (void)ignored;
#endif
}

TEST(Trace, LinesKeepTheirSpaces) {
  for (const char* text : {" ok handel", " lock ok ", " lock error ", "ioctl fail", "data="}) {
    EXPECT_EQ(CaptureStdout([&] { TraceLine(text); }), AsStandardOutput(std::string(text) + "\n"))
        << "\"" << text << "\"";
  }
}

TEST(Trace, TextHasNoLineEndOfItsOwn) {
  EXPECT_EQ(CaptureStdout([] {
              TraceText("data=");
              TraceText(" a ");
            }),
            "data= a ");
}

TEST(Trace, InvalidHandleWritesThreeCopies) {
  EXPECT_EQ(CaptureStdout([] { TraceInvalidHandle(); }),
            AsStandardOutput("invalid handelinvalid handel\ninvalid handel\n"));
}

TEST(Trace, SignedNumbers) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {12, "12"},
               {-512, "-512"},
               {512, "512"},
               {2147483647, "2147483647"},
               {-2147483647 - 1, "-2147483648"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureStdout([&] { TraceSigned(c.value); }), c.text);
  }
}

TEST(Trace, UnsignedNumbers) {
  const struct {
    uint32_t value;
    const char* text;
  } cases[] = {{0, "0"}, {512, "512"}, {2147483648u, "2147483648"}, {4294967295u, "4294967295"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureStdout([&] { TraceUnsigned(c.value); }), c.text);
  }
}

TEST(Trace, NumberLinesOfTheReadOperation) {
  EXPECT_EQ(CaptureStdout([] {
              TraceText("nRead=");
              TraceUnsigned(512);
              TraceEol();
              TraceText("nSize=");
              TraceSigned(-512);
              TraceEol();
            }),
            AsStandardOutput("nRead=512\nnSize=-512\n"));
}

TEST(Trace, CylindersAreTheLowHalfReadAsSigned) {
  const struct {
    int64_t cylinders;
    const char* line;
  } cases[] = {
      {80, "cylind= 80\n"},
      {2147483647, "cylind= 2147483647\n"},
      {3000000000ll, "cylind= -1294967296\n"},
      {(1ll << 32) + 5, "cylind= 5\n"},
      {0x7FFFFFFF00000000ll, "cylind= 0\n"},
      {-1, "cylind= -1\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureStdout([&] { TraceCylinders(c.cylinders); }), AsStandardOutput(c.line))
        << c.cylinders;
  }
}

TEST(Trace, EndOfLineFlushes) {
  const std::string out = CaptureStdout([] {
    TraceText("mediatype=");
    TraceSigned(12);
    TraceEol();
    WriteUnbuffered("|");
    TraceLine(" lock ok ");
    WriteUnbuffered("|");
    TraceInvalidHandle();
    WriteUnbuffered("|");
  });
  EXPECT_EQ(out, AsStandardOutput("mediatype=12\n| lock ok \n|invalid handelinvalid handel\n"
                                  "invalid handel\n|"));
}

TEST(Trace, EchoedBytesAreUnchangedExceptForTextModeLineFeeds) {
  const unsigned char bytes[] = {'a', 0x00, 0x0A, 'b', 0x0D, 0x0A, 0x1A, 0xFF, 0x00};
  const std::string out = CaptureStdout([&] { TraceBytes(bytes, sizeof bytes); });
#ifdef _WIN32
  EXPECT_EQ(out, std::string("a\0\r\nb\r\r\n\x1a\xff\0", 11));
#else
  EXPECT_EQ(out, std::string("a\0\nb\r\n\x1a\xff\0", 9));
#endif
  EXPECT_EQ(CaptureStdout([&] { TraceBytes(bytes, 0); }), "");
}

// The pieces of a read operation's trace, in the order written, whichever way
// each piece is written.
TEST(Trace, PiecesKeepTheirOrder) {
  const unsigned char data[] = {'X', 0x0A, 'Y'};
  const std::string out = CaptureStdout([&] {
    TraceLine(" ok handel");
    TraceLine(" lock ok ");
    TraceCylinders(80);
    TraceText("mediatype=");
    TraceSigned(2);
    TraceEol();
    TraceText("TracksPerCylinder=");
    TraceUnsigned(2);
    TraceEol();
    TraceText("data=");
    TraceBytes(data, sizeof data);
    TraceEol();
  });
  EXPECT_EQ(out, AsStandardOutput(" ok handel\n lock ok \ncylind= 80\nmediatype=2\n"
                                  "TracksPerCylinder=2\ndata=X\nY\n"));
}

}  // namespace
