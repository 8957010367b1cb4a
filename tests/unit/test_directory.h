#pragma once
// A fresh, empty current directory for one test: the dump files are named
// relative to it. The previous directory comes back and the folder is removed
// when the test ends.
#include <filesystem>
#include <string>

struct TestDirectory {
  TestDirectory();
  ~TestDirectory();
  // The whole contents of a file in it; empty when there is none.
  std::string Read(const char* name) const;
  std::filesystem::path previous;
  std::filesystem::path path;
};
