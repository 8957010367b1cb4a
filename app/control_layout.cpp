#include "app/control_layout.h"

#include "window/control_ids.h"

namespace {

// Window styles, with the platform's values.
constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kVisible = 0x10000000;
constexpr uint32_t kBorder = 0x00800000;
constexpr uint32_t kVScroll = 0x00200000;
constexpr uint32_t kHScroll = 0x00100000;
constexpr uint32_t kTabStop = 0x00010000;
constexpr uint32_t kClientEdge = 0x00000200;

constexpr uint32_t kPushButton = 0x0000;
constexpr uint32_t kAutoCheckBox = 0x0003;
constexpr uint32_t kButtonCenter = 0x0300;
constexpr uint32_t kButtonMultiline = 0x2000;
constexpr uint32_t kStaticLeft = 0x0000;
constexpr uint32_t kDropDownList = 0x0003;
constexpr uint32_t kEditLeft = 0x0000;
constexpr uint32_t kEditRight = 0x0002;
constexpr uint32_t kEditMultiline = 0x0004;
constexpr uint32_t kEditAutoVScroll = 0x0040;
constexpr uint32_t kEditAutoHScroll = 0x0080;
constexpr uint32_t kEditReadOnly = 0x0800;
constexpr uint32_t kEditWantReturn = 0x1000;

constexpr uint32_t kLabel = kChild | kVisible | kStaticLeft;
constexpr uint32_t kNumberBox = kChild | kVisible | kTabStop | kEditRight;

constexpr Measure Px(int32_t pixels) { return {0, 0, pixels}; }
constexpr Measure W(int32_t w, int32_t pixels = 0) { return {w, 0, pixels}; }
constexpr Measure A(int32_t a, int32_t pixels = 0) { return {0, a, pixels}; }

}  // namespace

const ControlSpec kControls[kControlCount] = {
    {kExecuteButton, "BUTTON", "実行", "実行",
     kChild | kVisible | kTabStop | kPushButton | kButtonCenter | kButtonMultiline, 0,
     ControlModes::Both, Px(300), Px(15), Px(82), Px(36)},
    {kNoControlId, "STATIC", "ドライブ", "ドライブ", kLabel, 0, ControlModes::Both,
     Px(20), Px(17), W(8), A(2)},
    {kDriveList, "COMBOBOX", nullptr, nullptr,
     kChild | kVisible | kBorder | kVScroll | kTabStop | kDropDownList, kClientEdge,
     ControlModes::Both, W(8, 25), Px(15), W(7), A(12)},
    {kOffsetLabel, "STATIC", "オフセット               (セクター単位)",
     "オフセット               (セクター単位)", kLabel, 0, ControlModes::Both, Px(35), A(2, 35),
     W(32), A(2)},
    {kOffsetBox, "EDIT", "0", "0", kNumberBox, kClientEdge, ControlModes::Both, W(10, 23),
     A(2, 32), W(9), A(2, 5)},
    {kCountLabel, "STATIC", "読出し数                 (セクター単位)",
     "書出し数                 (セクター単位)", kLabel, 0, ControlModes::Both, Px(35), A(4, 38),
     W(32), A(2)},
    {kCountBox, "EDIT", "1", "1", kNumberBox, kClientEdge, ControlModes::Both, W(10, 23),
     A(4, 35), W(9), A(2, 5)},
    {kFileLabel, "STATIC", "ファイル選択", "ファイル選択", kLabel, 0, ControlModes::WriteOnly,
     Px(40), A(6, 55), W(10), A(2)},
    {kPathBox, "EDIT", "", "", kChild | kVisible | kTabStop | kEditLeft | kEditAutoHScroll,
     kClientEdge, ControlModes::WriteOnly, W(10, 42), A(6, 51), W(20), A(3)},
    {kBrowseButton, "BUTTON", "..", "..", kChild | kVisible | kTabStop | kPushButton | kButtonCenter,
     0, ControlModes::WriteOnly, W(30, 42), A(6, 51), W(3), A(3)},
    {kDumpToFileBox, "BUTTON", "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)", "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)",
     kChild | kVisible | kTabStop | kAutoCheckBox, 0, ControlModes::ReadOnly, Px(40), A(6, 51),
     W(30), A(2)},
    {kGeometryLabel, "STATIC", "ジオメトリ情報:", "ジオメトリ情報:", kLabel, 0, ControlModes::Both,
     Px(20), Px(130), W(20), A(2)},
    {kGeometryBox, "EDIT", "", "", kChild | kVisible | kEditLeft | kEditMultiline | kEditReadOnly,
     kClientEdge, ControlModes::Both, Px(20), Px(145), Px(360), A(10)},
    {kDumpLabel, "STATIC", "ダンプ結果:(4ｾｸﾀ以内)", "ダンプ結果(書込み後):(4ｾｸﾀ以内)", kLabel, 0,
     ControlModes::Both, Px(20), Px(235), W(25), A(2)},
    {kDumpBox, "EDIT", "", "",
     kChild | kVisible | kVScroll | kHScroll | kEditLeft | kEditMultiline | kEditAutoVScroll |
         kEditAutoHScroll | kEditReadOnly | kEditWantReturn,
     kClientEdge, ControlModes::Both, Px(20), Px(250), Px(360), Px(196)},
};

const int kControlFontIds[kControlFontCount] = {
    kDumpBox, kDumpLabel, kGeometryLabel, kGeometryBox, kOffsetLabel,
    kCountLabel, kDumpToFileBox, kFileLabel, kPathBox,
};

bool ControlExistsIn(const ControlSpec& control, RunMode mode) {
  switch (control.modes) {
    case ControlModes::ReadOnly:
      return mode == RunMode::Read;
    case ControlModes::WriteOnly:
      return mode == RunMode::Write;
    case ControlModes::Both:
      break;
  }
  return true;
}

const char* ControlText(const ControlSpec& control, RunMode mode) {
  return mode == RunMode::Write ? control.writeText : control.readText;
}

static int32_t Resolve(Measure m, LayoutUnits units) {
  return m.w * units.aveCharWidth + m.a * units.halfAscent + m.pixels;
}

ControlPlace PlaceControl(const ControlSpec& control, LayoutUnits units) {
  return {Resolve(control.x, units), Resolve(control.y, units), Resolve(control.width, units),
          Resolve(control.height, units)};
}

int32_t HalfAscent(int32_t ascent) { return ascent / 2; }
