#pragma once
// What reaches file descriptor 1, as a redirected standard output receives it.
#include <functional>
#include <string>
std::string CaptureStdout(const std::function<void()>& body);
// `bytes` as they come out of standard output: on Windows every 0x0A as 0x0D 0x0A.
std::string AsStandardOutput(const std::string& bytes);
