// What Windows reads from the program file before it runs it, read through its own calls: the
// manifest (asking for administrator rights and for nothing that changes the window's look or
// scale) and the version that Explorer's properties and the elevation prompt show.
#include <gtest/gtest.h>
#include "tests/e2e/driver.h"
namespace {
const char* const kPrograms[] = {"TORVEX_EXE", "TORVEX_E2E_EXE"};  // the variable naming each
const std::pair<const char*, std::string> kVersionValues[] = {
    {"\\StringFileInfo\\041103a4\\FileDescription", "TORVEX"},
    {"\\StringFileInfo\\041103a4\\ProductName", "TORVEX"},
    {"\\StringFileInfo\\041103a4\\FileVersion", "1.0"},
    {"\\StringFileInfo\\041103a4\\ProductVersion", "1.0"},
    {"\\VarFileInfo\\Translation", std::string("\x11\x04\xA4\x03", 4)}};  // 0x0411, 932
std::string Manifest(HMODULE module) {  // "" when there is none
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
  const char* text = found ? (const char*)LockResource(LoadResource(module, found)) : nullptr;
  return text ? std::string(text, SizeofResource(module, found)) : "";
}
std::string VersionValue(const std::string& block, const std::string& name) {  // texts: to the NUL
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), name.c_str(), (void**)&value, &length)) return "none";
  return name.rfind("\\StringFileInfo", 0) == 0 ? std::string(value) : std::string(value, length);
}
class Release : public testing::TestWithParam<const char*> {};
TEST_P(Release, ManifestAndVersionAsWindowsReadsThem) {
  const std::string path = WindowsPathFromUnix(EnvironmentValue(GetParam()));
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module) << path;
  const std::string manifest = Manifest(module);
  FreeLibrary(module);
  EXPECT_NE(manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
  for (const char* absent : {"dpiAware", "Microsoft.Windows.Common-Controls"})
    EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
  ACTCTXA context = {sizeof context, ACTCTX_FLAG_RESOURCE_NAME_VALID, path.c_str(), 0, 0, nullptr,
                     MAKEINTRESOURCEA(1)};
  HANDLE activation = CreateActCtxA(&context);  // fails on a manifest Windows would refuse
  EXPECT_NE(activation, INVALID_HANDLE_VALUE) << GetLastError();
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);

  std::string block(GetFileVersionInfoSizeA(path.c_str(), nullptr), '\0');
  ASSERT_TRUE(!block.empty() && GetFileVersionInfoA(path.c_str(), 0, block.size(), &block[0]));
  for (const auto& [name, value] : kVersionValues)
    EXPECT_EQ(VersionValue(block, name), value) << name;
}
INSTANTIATE_TEST_SUITE_P(Programs, Release, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<const char*>& row) { return row.param; });
}  // namespace
