#include "app/control_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_ids.h"

namespace {

const ControlSpec* FindControl(int id) {
  for (const ControlSpec& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::string TextOf(const char* text) { return text ? text : ""; }

std::vector<int> IdsIn(RunMode mode) {
  std::vector<int> ids;
  for (const ControlSpec& control : kControls) {
    if (ControlExistsIn(control, mode)) ids.push_back(control.id);
  }
  return ids;
}

struct PlaceCase {
  int id;
  ControlPlace place;
};

void ExpectPlaces(LayoutUnits units, const std::vector<PlaceCase>& cases) {
  for (const PlaceCase& c : cases) {
    const ControlSpec* control = FindControl(c.id);
    ASSERT_NE(control, nullptr) << "control " << c.id;
    const ControlPlace place = PlaceControl(*control, units);
    EXPECT_EQ(place.x, c.place.x) << "x of control " << c.id;
    EXPECT_EQ(place.y, c.place.y) << "y of control " << c.id;
    EXPECT_EQ(place.width, c.place.width) << "width of control " << c.id;
    EXPECT_EQ(place.height, c.place.height) << "height of control " << c.id;
  }
}

TEST(ControlLayout, PlacesWithHalfAscentAndCharWidthEight) {
  ExpectPlaces({8, 8}, {
                           {kExecuteButton, {300, 15, 82, 36}},
                           {kNoControlId, {20, 17, 64, 16}},
                           {kDriveList, {89, 15, 56, 96}},
                           {kOffsetLabel, {35, 51, 256, 16}},
                           {kOffsetBox, {103, 48, 72, 21}},
                           {kCountLabel, {35, 70, 256, 16}},
                           {kCountBox, {103, 67, 72, 21}},
                           {kFileLabel, {40, 103, 80, 16}},
                           {kPathBox, {122, 99, 160, 24}},
                           {kBrowseButton, {282, 99, 24, 24}},
                           {kDumpToFileBox, {40, 99, 240, 16}},
                           {kGeometryLabel, {20, 130, 160, 16}},
                           {kGeometryBox, {20, 145, 360, 80}},
                           {kDumpLabel, {20, 235, 200, 16}},
                           {kDumpBox, {20, 250, 360, 196}},
                       });
}

// With two different units a swap of A and W shows.
TEST(ControlLayout, PlacesWithHalfAscentSevenAndCharWidthFive) {
  const int32_t A = 7, W = 5;
  ExpectPlaces({A, W}, {
                           {kExecuteButton, {300, 15, 82, 36}},
                           {kNoControlId, {20, 17, 8 * W, 2 * A}},
                           {kDriveList, {8 * W + 25, 15, 7 * W, 12 * A}},
                           {kOffsetLabel, {35, 2 * A + 35, 32 * W, 2 * A}},
                           {kOffsetBox, {10 * W + 23, 2 * A + 32, 9 * W, 2 * A + 5}},
                           {kCountLabel, {35, 4 * A + 38, 32 * W, 2 * A}},
                           {kCountBox, {10 * W + 23, 4 * A + 35, 9 * W, 2 * A + 5}},
                           {kFileLabel, {40, 6 * A + 55, 10 * W, 2 * A}},
                           {kPathBox, {10 * W + 42, 6 * A + 51, 20 * W, 3 * A}},
                           {kBrowseButton, {30 * W + 42, 6 * A + 51, 3 * W, 3 * A}},
                           {kDumpToFileBox, {40, 6 * A + 51, 30 * W, 2 * A}},
                           {kGeometryLabel, {20, 130, 20 * W, 2 * A}},
                           {kGeometryBox, {20, 145, 360, 10 * A}},
                           {kDumpLabel, {20, 235, 25 * W, 2 * A}},
                           {kDumpBox, {20, 250, 360, 196}},
                       });
}

TEST(ControlLayout, BrowseButtonStartsAtThePathBoxRightEdge) {
  for (LayoutUnits units : {LayoutUnits{8, 8}, LayoutUnits{6, 7}, LayoutUnits{9, 4}}) {
    const ControlPlace path = PlaceControl(*FindControl(kPathBox), units);
    const ControlPlace browse = PlaceControl(*FindControl(kBrowseButton), units);
    EXPECT_EQ(path.x + path.width, browse.x);
    EXPECT_EQ(path.y, browse.y);
  }
}

TEST(ControlLayout, HalfAscentTruncatesTowardZero) {
  EXPECT_EQ(HalfAscent(13), 6);
  EXPECT_EQ(HalfAscent(16), 8);
  EXPECT_EQ(HalfAscent(1), 0);
  EXPECT_EQ(HalfAscent(0), 0);
}

TEST(ControlLayout, CreationOrderOfAllControls) {
  std::vector<int> ids;
  for (const ControlSpec& control : kControls) ids.push_back(control.id);
  EXPECT_EQ(ids, (std::vector<int>{100, -1, 200, 800, 801, 700, 701, 1001, 1000, 1002, 901, 501,
                                   500, 400, 300}));
}

TEST(ControlLayout, ReadModeHasTwelveControls) {
  EXPECT_EQ(IdsIn(RunMode::Read),
            (std::vector<int>{100, -1, 200, 800, 801, 700, 701, 901, 501, 500, 400, 300}));
}

TEST(ControlLayout, WriteModeHasFourteenControls) {
  EXPECT_EQ(IdsIn(RunMode::Write), (std::vector<int>{100, -1, 200, 800, 801, 700, 701, 1001,
                                                     1000, 1002, 501, 500, 400, 300}));
}

struct ControlCase {
  int id;
  const char* className;
  const char* readText;
  const char* writeText;
  uint32_t style;
  uint32_t exStyle;
};

TEST(ControlLayout, ClassTextsAndStylesOfEveryControl) {
  const ControlCase cases[] = {
      {kExecuteButton, "BUTTON", "実行", "実行", 0x50012300, 0},
      {kNoControlId, "STATIC", "ドライブ", "ドライブ", 0x50000000, 0},
      {kDriveList, "COMBOBOX", "", "", 0x50A10003, 0x200},
      {kOffsetLabel, "STATIC", "オフセット               (セクター単位)",
       "オフセット               (セクター単位)", 0x50000000, 0},
      {kOffsetBox, "EDIT", "0", "0", 0x50010002, 0x200},
      {kCountLabel, "STATIC", "読出し数                 (セクター単位)",
       "書出し数                 (セクター単位)", 0x50000000, 0},
      {kCountBox, "EDIT", "1", "1", 0x50010002, 0x200},
      {kFileLabel, "STATIC", nullptr, "ファイル選択", 0x50000000, 0},
      {kPathBox, "EDIT", nullptr, "", 0x50010080, 0x200},
      {kBrowseButton, "BUTTON", nullptr, "..", 0x50010300, 0},
      {kDumpToFileBox, "BUTTON", "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)", nullptr, 0x50010003, 0},
      {kGeometryLabel, "STATIC", "ジオメトリ情報:", "ジオメトリ情報:", 0x50000000, 0},
      {kGeometryBox, "EDIT", "", "", 0x50000804, 0x200},
      {kDumpLabel, "STATIC", "ダンプ結果:(4ｾｸﾀ以内)", "ダンプ結果(書込み後):(4ｾｸﾀ以内)",
       0x50000000, 0},
      {kDumpBox, "EDIT", "", "", 0x503018C4, 0x200},
  };
  for (const ControlCase& c : cases) {
    const ControlSpec* control = FindControl(c.id);
    ASSERT_NE(control, nullptr) << "control " << c.id;
    EXPECT_STREQ(control->className, c.className) << "control " << c.id;
    EXPECT_EQ(control->style, c.style) << "control " << c.id;
    EXPECT_EQ(control->exStyle, c.exStyle) << "control " << c.id;
    // A null expected text marks a mode in which the control does not exist.
    if (c.readText) {
      EXPECT_EQ(TextOf(ControlText(*control, RunMode::Read)), c.readText) << "control " << c.id;
    }
    if (c.writeText) {
      EXPECT_EQ(TextOf(ControlText(*control, RunMode::Write)), c.writeText) << "control " << c.id;
    }
  }
}

TEST(ControlLayout, ControlFontGoesToTheLabelsAndBoxesInThisOrder) {
  const std::vector<int> ids(kControlFontIds, kControlFontIds + kControlFontCount);
  EXPECT_EQ(ids, (std::vector<int>{300, 400, 501, 500, 800, 700, 901, 1001, 1000}));
}

}  // namespace
