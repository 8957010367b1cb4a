#include "tests/unit/stdout_capture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int DuplicateFd(int fd) { return _dup(fd); }
int RedirectFd(int from, int to) { return _dup2(from, to); }
int CloseFd(int fd) { return _close(fd); }
int ProcessId() { return _getpid(); }
// Text mode, as standard output has by default: line feeds are translated.
int CreateTemporary(const std::string& path) {
  return _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TRUNC | _O_TEXT,
               _S_IREAD | _S_IWRITE);
}
#else
int DuplicateFd(int fd) { return dup(fd); }
int RedirectFd(int from, int to) { return dup2(from, to); }
int CloseFd(int fd) { return close(fd); }
int ProcessId() { return static_cast<int>(getpid()); }
int CreateTemporary(const std::string& path) {
  return open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_TRUNC, 0600);
}
#endif

void FlushStandardOutput() {
  std::cout.flush();
  std::fflush(stdout);
}

std::string NextTemporaryPath() {
  static int counter = 0;
  const std::string name = "torvex_stdout_" + std::to_string(ProcessId()) + "_" +
                           std::to_string(++counter) + ".txt";
  return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace

std::string CaptureStdout(const std::function<void()>& body) {
  const std::string path = NextTemporaryPath();
  const int file = CreateTemporary(path);
  if (file < 0) {
    std::fprintf(stderr, "CaptureStdout: cannot create %s\n", path.c_str());
    std::abort();
  }

  FlushStandardOutput();
  const int savedStdout = DuplicateFd(1);
  RedirectFd(file, 1);
  CloseFd(file);

  body();

  FlushStandardOutput();
  RedirectFd(savedStdout, 1);
  CloseFd(savedStdout);

  std::string captured;
  {
    std::ifstream in(path, std::ios::binary);
    captured.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::remove(path.c_str());
  return captured;
}

std::string AsStandardOutput(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
#ifdef _WIN32
    if (c == '\n') out += '\r';
#endif
    out += c;
  }
  return out;
}
