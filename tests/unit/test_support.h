#pragma once
// What the tests share: standard output as a redirected one receives it, and
// a fresh current directory for the files an operation saves.
#include <filesystem>
#include <functional>
#include <string>

// What reaches file descriptor 1 while `body` runs.
std::string CaptureStdout(const std::function<void()>& body);
// `bytes` as they come out of standard output: on Windows every 0x0A as 0x0D 0x0A.
std::string AsStandardOutput(const std::string& bytes);

// A fresh, empty current directory for one test, removed at its end.
struct TestDirectory {
  TestDirectory();
  ~TestDirectory();
  std::string Read(const char* name) const;  // a file's whole contents, empty when none
  std::filesystem::path previous, path;
};
