#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

const char kModule[] = "C:\\TORVEX\\torvex.exe";

// Lead bytes of code page 932.
bool Cp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// A single-byte code page: nothing is a lead byte.
bool NoLeadByte(unsigned char) { return false; }

// The arguments after index 0.
Args ArgumentsAfterProgram(const char* commandLine, LeadByteTest isLeadByte = NoLeadByte) {
  Args all = BuildArgumentVector(kModule, commandLine, isLeadByte);
  EXPECT_FALSE(all.empty());
  if (all.empty()) return {};
  EXPECT_EQ(all[0], kModule);
  return Args(all.begin() + 1, all.end());
}

struct SplitCase {
  const char* name;
  const char* commandLine;
  Args expected;
};

class ArgumentSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ArgumentSplitTest, SplitsAsTheRulesSay) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(ArgumentsAfterProgram(c.commandLine), c.expected) << c.commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ArgumentSplitTest,
    ::testing::Values(
        SplitCase{"NoArguments", "torvex.exe", {}},
        SplitCase{"EmptyCommandLine", "", {}},
        SplitCase{"TrailingBlanksOnly", "torvex.exe  \t ", {}},
        SplitCase{"OneSwitch", "torvex.exe -W", {"-W"}},
        SplitCase{"QuotedProgramWithSpaces", "\"C:\\Program Files\\TORVEX\\torvex.exe\" a b",
                  {"a", "b"}},
        SplitCase{"QuotedProgramFollowedDirectly", "\"C:\\a b\\t.exe\"x y", {"x", "y"}},
        SplitCase{"ProgramEndsAtTab", "torvex.exe\t-W", {"-W"}},
        SplitCase{"SpacesAndTabsSeparate", "t.exe a  b\tc \t d", {"a", "b", "c", "d"}},
        SplitCase{"QuotesInTheMiddle", "t.exe a\"b c\"d", {"ab cd"}},
        SplitCase{"QuotedTabStays", "t.exe \"a\tb\" c", {"a\tb", "c"}},
        SplitCase{"UnclosedQuoteRunsToTheEnd", "t.exe \"a b", {"a b"}},
        SplitCase{"EscapedQuote", "t.exe a\\\"b", {"a\"b"}},
        SplitCase{"EscapedQuoteDoesNotOpenARun", "t.exe \\\"a b\\\"", {"\"a", "b\""}},
        SplitCase{"BackslashStays", "t.exe C:\\dir\\file", {"C:\\dir\\file"}},
        SplitCase{"TwoBackslashesStayTwo", "t.exe a\\\\b", {"a\\\\b"}},
        SplitCase{"TrailingBackslashStays", "t.exe dir\\", {"dir\\"}},
        SplitCase{"BackslashBeforeEscapedQuote", "t.exe a\\\\\"b", {"a\\\"b"}},
        SplitCase{"NoWildcardExpansion", "t.exe *.img a?b *", {"*.img", "a?b", "*"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(ArgumentVector, IndexZeroIsTheModulePathNotTheFirstToken) {
  const Args args = BuildArgumentVector("C:\\real\\path\\torvex.exe", "\"other name.exe\" -W",
                                        NoLeadByte);
  EXPECT_EQ(args, (Args{"C:\\real\\path\\torvex.exe", "-W"}));
}

// 0x95 0x5C is one CP932 character (its trail byte is the backslash code).
// Taken as a pair, the quote after it opens a quoted run; taken as single
// bytes, the backslash escapes the quote.
TEST(ArgumentVector, TrailByteBackslashBeforeQuoteIsNotAnEscapeUnderCp932) {
  const char* commandLine = "t.exe \x95\x5c\" x\"";
  EXPECT_EQ(ArgumentsAfterProgram(commandLine, Cp932LeadByte), (Args{"\x95\x5c x"}));
}

TEST(ArgumentVector, SameBytesEscapeTheQuoteWithoutLeadBytes) {
  const char* commandLine = "t.exe \x95\x5c\" x\"";
  EXPECT_EQ(ArgumentsAfterProgram(commandLine, NoLeadByte), (Args{"\x95\"", "x"}));
}

TEST(ArgumentVector, LeadByteKeepsItsTrailByteInsideAQuotedRun) {
  // "表" (0x95 0x5C) and "ソ" (0x83 0x5C) inside quotes, then another argument.
  const char* commandLine = "t.exe \"\x95\x5c \x83\x5c\" z";
  EXPECT_EQ(ArgumentsAfterProgram(commandLine, Cp932LeadByte), (Args{"\x95\x5c \x83\x5c", "z"}));
}

TEST(ArgumentVector, LeadByteAtTheVeryEndStopsAtTheTerminator) {
  EXPECT_EQ(ArgumentsAfterProgram("t.exe a\x81", Cp932LeadByte), (Args{"a\x81"}));
}

// The program name ends at its closing quote: a backslash before it is no escape.
TEST(ArgumentVector, QuotedProgramNameEndsAtItsClosingQuote) {
  EXPECT_EQ(ArgumentsAfterProgram("\"C:\\dir\\\" -W", NoLeadByte), (Args{"-W"}));
  // The folder name "表" ends with the byte 0x5C right before the closing quote.
  EXPECT_EQ(ArgumentsAfterProgram("\"C:\\\x95\x5c\" -W", Cp932LeadByte), (Args{"-W"}));
}

struct SwitchCase {
  const char* name;
  Args arguments;
  bool writeMode;
};

class SwitchScanTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchScanTest, FindsTheWriteSwitchAnywhere) {
  EXPECT_EQ(SelectsWriteMode(GetParam().arguments), GetParam().writeMode);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, SwitchScanTest,
    ::testing::Values(
        SwitchCase{"ProgramOnly", {kModule}, false},
        SwitchCase{"Empty", {}, false},
        SwitchCase{"DashW", {kModule, "-W"}, true},
        SwitchCase{"SlashXDashW", {kModule, "/x-W"}, true},
        SwitchCase{"InsideAnArgument", {kModule, "ab-Wcd"}, true},
        SwitchCase{"LowerCase", {kModule, "-w"}, false},
        SwitchCase{"SlashW", {kModule, "/W"}, false},
        SwitchCase{"WAlone", {kModule, "W"}, false},
        SwitchCase{"SplitOverTwoArguments", {kModule, "-", "W"}, false},
        SwitchCase{"AfterOtherArguments", {kModule, "x", "y", "-W"}, true},
        SwitchCase{"SeveralSwitches", {kModule, "-W", "x-Wy", "-W"}, true},
        SwitchCase{"ProgramPathContainsIt", {"C:\\tool-W\\torvex.exe"}, true},
        SwitchCase{"ProgramPathWithLowerCase", {"C:\\tool-w\\torvex.exe", "-w"}, false}),
    [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

TEST(RunModeFromCommandLine, QuotedSwitchAndFolderNameBothSelectWriteMode) {
  EXPECT_TRUE(SelectsWriteMode(BuildArgumentVector(kModule, "t.exe \"-W\"", NoLeadByte)));
  EXPECT_TRUE(SelectsWriteMode(BuildArgumentVector("D:\\x-W\\t.exe", "t.exe", NoLeadByte)));
  EXPECT_FALSE(SelectsWriteMode(BuildArgumentVector(kModule, "t.exe -w \"- W\"", NoLeadByte)));
}

}  // namespace
