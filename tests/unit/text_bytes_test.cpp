// Pins program texts to their code page 932 bytes: a build that stores the
// texts in any other encoding (for example UTF-8, as the sources are) fails here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/control_ids.h"
#include "app/control_layout.h"
#include "volume/geometry_report.h"

namespace {

const ControlSpec& Control(int id) {
  for (const ControlSpec& control : kControls) {
    if (control.id == id) return control;
  }
  ADD_FAILURE() << "no control " << id;
  return kControls[0];
}

std::string Bytes(const char* text) { return text ? text : ""; }

TEST(TextBytes, ExecuteButtonIsTwoDoubleByteCharacters) {
  EXPECT_EQ(Bytes(ControlText(Control(kExecuteButton), RunMode::Read)), "\x8E\xC0\x8D\x73");
}

TEST(TextBytes, DriveLabel) {
  EXPECT_EQ(Bytes(ControlText(Control(kNoControlId), RunMode::Read)),
            "\x83\x68\x83\x89\x83\x43\x83\x75");
}

TEST(TextBytes, HalfWidthKatakanaAreSingleBytes) {
  // "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)"
  EXPECT_EQ(Bytes(ControlText(Control(kDumpToFileBox), RunMode::Read)),
            "FILE(\xCA\xDE\xB2\xC5\xD8\x8C\x60\x8E\xAE)\x82\xC9\x8F\x6F\x97\xCD(dump.img)");
}

TEST(TextBytes, DumpLabelsOfBothModes) {
  const ControlSpec& label = Control(kDumpLabel);
  // "ダンプ結果:(4ｾｸﾀ以内)"
  EXPECT_EQ(Bytes(ControlText(label, RunMode::Read)),
            "\x83\x5F\x83\x93\x83\x76\x8C\x8B\x89\xCA:(4\xBE\xB8\xC0\x88\xC8\x93\xE0)");
  // "ダンプ結果(書込み後):(4ｾｸﾀ以内)"
  EXPECT_EQ(Bytes(ControlText(label, RunMode::Write)),
            "\x83\x5F\x83\x93\x83\x76\x8C\x8B\x89\xCA(\x8F\x91\x8D\x9E\x82\xDD\x8C\xE3):"
            "(4\xBE\xB8\xC0\x88\xC8\x93\xE0)");
}

TEST(TextBytes, CountLabelsOfBothModes) {
  const std::string tail = std::string(17, ' ') + "(\x83\x5A\x83\x4E\x83\x5E\x81\x5B\x92\x50\x88\xCA)";
  const ControlSpec& label = Control(kCountLabel);
  EXPECT_EQ(Bytes(ControlText(label, RunMode::Read)), "\x93\xC7\x8F\x6F\x82\xB5\x90\x94" + tail);
  EXPECT_EQ(Bytes(ControlText(label, RunMode::Write)), "\x8F\x91\x8F\x6F\x82\xB5\x90\x94" + tail);
}

TEST(TextBytes, GeometryReportLabels) {
  char text[kGeometryReportSize];
  FormatGeometryReport(DiskGeometry{80, kMediaFloppy144, 2, 18, 512}, 1474560, RangeEnd::LastByte,
                       text);
  const std::string report = text;
  // "シリンダ数=80" at the start, "メディアタイプ=Floppy" at the end.
  EXPECT_EQ(report.substr(0, 13), "\x83\x56\x83\x8A\x83\x93\x83\x5F\x90\x94=80");
  const std::string lastLine = "\r\n\x83\x81\x83\x66\x83\x42\x83\x41\x83\x5E\x83\x43\x83\x76=Floppy";
  ASSERT_GE(report.size(), lastLine.size());
  EXPECT_EQ(report.substr(report.size() - lastLine.size()), lastLine);
}

// The same compiler flags build the program's Win32 files, which hold the face name.
TEST(TextBytes, FaceNameIsTwentyTwoBytes) {
  const char faceName[] = "ＭＳ ＵＩ Ｇｏｔｈｉｃ";
  ASSERT_EQ(std::strlen(faceName), 22u);
  EXPECT_EQ(std::string(faceName),
            "\x82\x6C\x82\x72 \x82\x74\x82\x68 \x82\x66\x82\x8F\x82\x94\x82\x88\x82\x89\x82\x83");
}

}  // namespace
