#pragma once
// Captures what reaches the process's standard output at the file-descriptor
// level, so that the bytes are the ones a redirected standard output receives:
// on Windows, text mode turns every 0x0A into 0x0D 0x0A on the way.
#include <functional>
#include <string>

// Runs `body` with file descriptor 1 redirected to a temporary file (opened in
// text mode) and returns every byte written to it, read back in binary.
std::string CaptureStdout(const std::function<void()>& body);

// What a captured standard output holds once `bytes` went through it: on
// Windows every 0x0A as 0x0D 0x0A, elsewhere the bytes unchanged.
std::string AsStandardOutput(const std::string& bytes);
