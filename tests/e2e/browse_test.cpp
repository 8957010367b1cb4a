// The write mode's file choice: the browse button's open-file dialog, the
// path box that shows the choice, and Execute, which knows only the choice.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"

namespace {

const char kNoFileCaption[] = "エラー";
const char kNoFileText[] = "ファイルが選択されていません";

// The path as the dialog reports it: full, with ".." resolved.
std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

class BrowseForImage : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    work_ = MakeTestFolder(name);
    ASSERT_FALSE(work_.empty()) << "no test folder: is TORVEX_DRIVES set?";
    work_ = FullPath(work_);
    // The dialog's own shell view does not resolve Unix paths behind Z:,
    // so the image lives on C:.
    const std::string imageFolder = "C:\\torvex-e2e\\" + name;
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

  std::string PathBox() { return WindowText(FindControl(program_.mainWindow, kPathBox)); }

  void Cancel() {
    MessageBoxInfo dialog;
    ASSERT_TRUE(OpenImageDialog(program_, dialog));
    EXPECT_EQ(dialog.owner, nullptr);
    ASSERT_TRUE(AnswerMessageBox(dialog, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(dialog.window));
    ASSERT_TRUE(WaitForPostedMessages(program_));
  }

  // Presses Execute; true when it answered with the "no file chosen" box.
  bool ExecuteSaysNoFile() {
    PressButton(FindControl(program_.mainWindow, kExecuteButton));
    MessageBoxInfo box;
    const bool shown = WaitForMessageBox(program_, kNoFileCaption, box, 3000);
    if (shown) {
      EXPECT_EQ(box.text, kNoFileText);
      EXPECT_EQ(box.owner, nullptr);
      AnswerMessageBox(box, IDOK);
      WaitForWindowGone(box.window);
    }
    WaitUntil([&] { return IsWindowEnabled(FindControl(program_.mainWindow, kExecuteButton)); });
    return shown;
  }

  std::string work_;
  std::string image_;
  RunningProgram program_;
};

TEST_F(BrowseForImage, CancelOnFirstUseLeavesNoChoice) {
  Cancel();
  EXPECT_EQ(PathBox(), "");
  EXPECT_TRUE(ExecuteSaysNoFile());
}

TEST_F(BrowseForImage, ChosenFileIsShownAndKeptAfterCancel) {
  ASSERT_TRUE(ChooseImage(program_, image_));
  EXPECT_EQ(PathBox(), image_);
  EXPECT_FALSE(ExecuteSaysNoFile());
  Cancel();
  EXPECT_EQ(PathBox(), image_);
}

TEST_F(BrowseForImage, PathTypedIntoTheBoxIsIgnored) {
  ASSERT_TRUE(SetText(FindControl(program_.mainWindow, kPathBox), image_));
  EXPECT_TRUE(ExecuteSaysNoFile());
}

}  // namespace
