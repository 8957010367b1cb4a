#include "app/control_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/control_ids.h"

// Which controls exist, their classes, texts and styles are checked on the
// running window by the end-to-end tests; here only the arithmetic of places.

namespace {

const ControlSpec* FindControl(int id) {
  for (const ControlSpec& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
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

}  // namespace
