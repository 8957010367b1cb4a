#include "tests/unit/test_directory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TestDirectory::TestDirectory() : previous(fs::current_path()) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("torvex-") + test->test_suite_name() + "-" + test->name();
  for (char& c : name)
    if (c == '/') c = '-';
  path = fs::temp_directory_path() / name;
  fs::remove_all(path);
  fs::create_directories(path);
  fs::current_path(path);
}

TestDirectory::~TestDirectory() {
  fs::current_path(previous);
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

std::string TestDirectory::Read(const char* name) const {
  std::ifstream in(path / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
