#pragma once
// A fresh, empty current directory for one test (built in stdout_capture.cpp).
#include <filesystem>
#include <string>

struct TestDirectory {
  TestDirectory();
  ~TestDirectory();
  std::string Read(const char* name) const;  // a file's whole contents, empty when none
  std::filesystem::path previous, path;
};
