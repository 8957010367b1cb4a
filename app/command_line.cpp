#include "app/command_line.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Skips the program's own name: a quoted run up to its closing quote, or the
// text up to the first space or tab.
const char* SkipProgramName(const char* p) {
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  return p;
}

struct SwitchEntry {
  const char* text;
  int mode;  // 1: write mode
};

constexpr SwitchEntry kSwitches[] = {
    {"-W", 1},
    {nullptr, 0},
};

}  // namespace

std::vector<std::string> BuildArgumentVector(const char* modulePath, const char* commandLine,
                                             LeadByteTest isLeadByte) {
  std::vector<std::string> arguments{modulePath};
  const char* p = SkipProgramName(commandLine);
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    std::string argument;
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
      const unsigned char byte = static_cast<unsigned char>(*p);
      if (isLeadByte(byte) && p[1]) {
        argument.append(p, 2);
        p += 2;
      } else if (*p == '\\' && p[1] == '"') {
        argument += '"';
        p += 2;
      } else if (*p == '"') {
        quoted = !quoted;
        ++p;
      } else {
        argument += *p++;
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

bool SelectsWriteMode(const std::vector<std::string>& arguments) {
  bool writeMode = false;
  for (const std::string& argument : arguments) {
    for (const SwitchEntry* entry = kSwitches; entry->text; ++entry) {
      if (argument.find(entry->text) != std::string::npos && entry->mode == 1) writeMode = true;
    }
  }
  return writeMode;
}
