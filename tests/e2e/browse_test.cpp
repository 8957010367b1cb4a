// The write mode's file choice: the browse button's open-file dialog, the
// path box that shows the choice, and Execute, which knows only the choice:
// without one it says that no file is chosen; with one it starts a write,
// which the release program ends at the drive's geometry, writing nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"

namespace {

// What the user does before pressing Execute.
enum class Act { kChoose, kCancel, kTypePath };

struct BrowseCase {
  const char* name;
  std::vector<Act> acts;
  bool pathShown;        // whether the path box shows the image's path
  const char* caption;   // Execute's box
  const char* text;
  bool ownedByMain;
};

class BrowseForImage : public ::testing::TestWithParam<BrowseCase> {
 protected:
  void SetUp() override {
    const std::string name = GetParam().name;
    work_ = MakeTestFolder("browse-" + name);
    ASSERT_FALSE(work_.empty()) << "no test folder: is TORVEX_DRIVES set?";
    // The dialog's own shell view does not resolve Unix paths behind Z:,
    // so the image lives on C:.
    const std::string imageFolder = "C:\\torvex-e2e\\browse-" + name;
    ASSERT_TRUE(MakeFolders(imageFolder));
    image_ = imageFolder + "\\chosen.img";
    ASSERT_TRUE(WriteWholeFile(image_, "image"));

    LaunchOptions options;
    options.program = WindowsPathFromUnix(EnvironmentValue("TORVEX_EXE"));
    options.arguments = "-W";
    options.workingDirectory = work_;
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
  }

  void Cancel() {
    MessageBoxInfo dialog;
    ASSERT_TRUE(OpenImageDialog(program_, dialog));
    EXPECT_EQ(dialog.owner, nullptr);
    ASSERT_TRUE(AnswerMessageBox(dialog, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(dialog.window));
    ASSERT_TRUE(WaitForPostedMessages(program_));
  }

  std::string work_;
  std::string image_;
  RunningProgram program_;
};

TEST_P(BrowseForImage, ExecuteUsesOnlyTheDialogsChoice) {
  const BrowseCase& c = GetParam();
  for (const Act act : c.acts) {
    if (act == Act::kChoose) {
      ASSERT_TRUE(ChooseImage(program_, image_));
    } else if (act == Act::kCancel) {
      Cancel();
    } else {
      ASSERT_TRUE(SetText(FindControl(program_.mainWindow, kPathBox), image_));
    }
  }
  EXPECT_EQ(WindowText(FindControl(program_.mainWindow, kPathBox)), c.pathShown ? image_ : "");

  ASSERT_TRUE(PressButton(FindControl(program_.mainWindow, kExecuteButton)));
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(program_, c.caption, box));
  EXPECT_EQ(box.text, c.text);
  EXPECT_EQ(box.owner, c.ownedByMain ? program_.mainWindow : nullptr);
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(WaitForWindowGone(box.window));
  ASSERT_TRUE(
      WaitUntil([&] { return IsWindowEnabled(FindControl(program_.mainWindow, kExecuteButton)); }));
  EXPECT_TRUE(OpenMessageBoxes(program_).empty());
}

const char kNoFile[] = "ファイルが選択されていません";
const char kGeometryError[] = "ジオメトリリードエラー";

INSTANTIATE_TEST_SUITE_P(
    Choices, BrowseForImage,
    ::testing::Values(
        BrowseCase{"CancelOnFirstUse", {Act::kCancel}, false, "エラー", kNoFile, false},
        BrowseCase{"Choose", {Act::kChoose}, true, "ステータス", kGeometryError, true},
        BrowseCase{"CancelAfterChoice", {Act::kChoose, Act::kCancel}, true, "ステータス",
                   kGeometryError, true},
        BrowseCase{"TypedPathIgnored", {Act::kTypePath}, true, "エラー", kNoFile, false}),
    [](const ::testing::TestParamInfo<BrowseCase>& info) { return info.param.name; });

}  // namespace
