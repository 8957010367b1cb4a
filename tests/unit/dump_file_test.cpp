#include "output/dump_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#endif

#include "tests/fakes/fake_window.h"
#include "tests/unit/stdout_capture.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes AllByteValues() {
  Bytes bytes(256);
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  return bytes;
}

// Every test runs in a fresh current directory, as the dump files are named
// relative to it.
class DumpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              (std::string("torvex_dump_") + info->name() + "_" +
               std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::current_path(folder_);
    ResetFakeWindow();
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder_, ignored);
  }

  // Saves without echo and returns what reached standard output.
  std::string Save(const char* name, const Bytes& bytes) {
    return CaptureStdout([&] {
      SaveDumpFile(name, bytes.data(), static_cast<uint32_t>(bytes.size()), false);
    });
  }

  fs::path previous_;
  fs::path folder_;
};

TEST_F(DumpFileTest, LineEndsEndOfFileAndNulAreSavedUnchanged) {
  const Bytes bytes = {0x0D, 0x0A, 0x0A, 0x1A, 0x00, 0x41, 0x0D, 0xFF, 0x0A};
  EXPECT_EQ(Save("dump.img", bytes), "");
  EXPECT_EQ(ReadFile("dump.img"), bytes);
  EXPECT_EQ(fs::file_size("dump.img"), bytes.size());
}

TEST_F(DumpFileTest, EveryByteValueRoundTrips) {
  Bytes bytes;
  for (int i = 0; i < 8; ++i) {
    const Bytes all = AllByteValues();
    bytes.insert(bytes.end(), all.begin(), all.end());
  }
  Save("dump_bak.img", bytes);
  EXPECT_EQ(ReadFile("dump_bak.img"), bytes);
}

TEST_F(DumpFileTest, LargeRunIsSavedCompletely) {
  // More than any stream buffer, and not a multiple of a common buffer size.
  Bytes bytes(3 * 65536 + 512);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 256);
  Save("dump.img", bytes);
  EXPECT_EQ(ReadFile("dump.img"), bytes);
}

TEST_F(DumpFileTest, LongerPreviousFileIsReplacedNotOverwrittenInPlace) {
  WriteFile("dump_bak.img", Bytes(4 * 512, 0xEE));
  const Bytes sector(512, 0x11);
  Save("dump_bak.img", sector);
  EXPECT_EQ(ReadFile("dump_bak.img"), sector);
}

TEST_F(DumpFileTest, NothingToSaveLeavesAnEmptyFile) {
  WriteFile("dump.img", Bytes(1024, 0x33));
  Save("dump.img", {});
  ASSERT_TRUE(fs::exists("dump.img"));
  EXPECT_EQ(fs::file_size("dump.img"), 0u);

  Save("new.img", {});
  ASSERT_TRUE(fs::exists("new.img"));
  EXPECT_EQ(fs::file_size("new.img"), 0u);
}

TEST_F(DumpFileTest, DirectoryOfTheSameNameIsSkippedSilently) {
  fs::create_directory("dump.img");
  EXPECT_EQ(Save("dump.img", {0x01, 0x02, 0x0A}), "");
  EXPECT_TRUE(fs::is_directory("dump.img"));
  EXPECT_TRUE(fs::is_empty("dump.img"));
  EXPECT_TRUE(g_fakeWindow.shown.empty());
}

// A read-only dump.img is checked end to end, where the test can make it
// unwritable even for root.

#ifdef _WIN32
// Another handle holds the file and shares nothing, so it cannot be opened.
TEST_F(DumpFileTest, FileHeldWithoutSharingKeepsItsContents) {
  const Bytes previous = {'o', 'l', 'd'};
  WriteFile("dump.img", previous);
  const int held = _sopen("dump.img", _O_RDONLY | _O_BINARY, _SH_DENYRW);
  ASSERT_GE(held, 0);
  EXPECT_EQ(Save("dump.img", Bytes(512, 0x44)), "");
  _close(held);
  EXPECT_EQ(ReadFile("dump.img"), previous);
  EXPECT_TRUE(g_fakeWindow.shown.empty());
}
#endif

TEST_F(DumpFileTest, EchoesTheBytesToTheTraceWhenAsked) {
  const Bytes bytes = {'A', 0x00, 0x0A, 0x0D, 0x1A, 0xFF, 'z'};
  const std::string out = CaptureStdout(
      [&] { SaveDumpFile("dump.img", bytes.data(), static_cast<uint32_t>(bytes.size()), true); });
  EXPECT_EQ(out, AsStandardOutput(std::string(bytes.begin(), bytes.end())));
  // The file has the bytes themselves, whatever standard output made of them.
  EXPECT_EQ(ReadFile("dump.img"), bytes);
}

TEST_F(DumpFileTest, EchoGoesOnWhenTheFileCannotBeOpened) {
  fs::create_directory("dump.img");
  const Bytes bytes = AllByteValues();
  const std::string out = CaptureStdout(
      [&] { SaveDumpFile("dump.img", bytes.data(), static_cast<uint32_t>(bytes.size()), true); });
  EXPECT_EQ(out, AsStandardOutput(std::string(bytes.begin(), bytes.end())));
  EXPECT_TRUE(fs::is_directory("dump.img"));
}

TEST_F(DumpFileTest, EchoOfNothingWritesNothing) {
  const std::string out = CaptureStdout([] { SaveDumpFile("dump.img", nullptr, 0, true); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(fs::file_size("dump.img"), 0u);
}

}  // namespace
