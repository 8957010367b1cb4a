#include "tests/unit/test_support.h"

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

std::string CaptureStdout(const std::function<void()>& body) {
  std::FILE* file = std::tmpfile();  // binary, so it reads back unchanged
  std::fflush(stdout);
  const int saved = dup(1);
  dup2(fileno(file), 1);
#ifdef _WIN32
  _setmode(1, _O_TEXT);  // as standard output is by default
#endif
  body();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  std::rewind(file);
  std::string captured;
  for (int c; (c = std::fgetc(file)) != EOF;) captured += static_cast<char>(c);
  std::fclose(file);
  return captured;
}

// The bytes written unchanged through the text-mode standard output set up above.
std::string AsStandardOutput(const std::string& bytes) {
  return CaptureStdout([&] { std::fwrite(bytes.data(), 1, bytes.size(), stdout); });
}

TestDirectory::TestDirectory() : previous(std::filesystem::current_path()) {
  static int made = 0;
  path = std::filesystem::temp_directory_path() /
         ("torvex-" + std::to_string(getpid()) + "-" + std::to_string(++made));
  std::filesystem::create_directories(path);
  std::filesystem::current_path(path);
}

TestDirectory::~TestDirectory() {
  std::filesystem::current_path(previous);
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string TestDirectory::Read(const char* name) const {
  if (!std::filesystem::is_regular_file(path / name)) return {};
  std::ifstream in(path / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
