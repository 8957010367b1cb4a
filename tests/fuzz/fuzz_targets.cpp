// libFuzzer targets: each function takes the input and returns the rule it broke, or "".
// Texts go in as the input's own std::string, a heap block of their exact size, so that a
// read past their NUL is caught.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <filesystem>
#include <map>
#include <regex>
#include <stdexcept>
#include "app/command_line.h"
#include "app/decimal.h"
#include "output/hex_dump.h"
#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"
#include "tests/expected.h"
#include "tests/fakes/operation_check.h"
#include "volume/geometry_report.h"

// The command-line text of one argument: quoted from its start to its last
// blank, so that no closing quote follows a backslash or a lone lead byte.
std::string Requoted(const std::string& argument) {
  const size_t lastBlank = argument.find_last_of(" \t");
  std::string text = lastBlank == std::string::npos ? "\"\"" : "\"";
  for (size_t i = 0; i < argument.size(); ++i) {
    if (IsCp932LeadByte(argument[i]) && i + 1 < argument.size()) text += argument[i++];
    else if (argument[i] == '"') text += '\\';
    text += argument[i];
    if (i == lastBlank) text += '"';
  }
  return text;
}
std::string FuzzArguments(FuzzedDataProvider& input) {
  const char* module = "C:\\tools-W\\torvex.exe";
  const auto arguments =
      BuildArgumentVector(module, input.ConsumeRemainingBytesAsString().c_str(), IsCp932LeadByte);
  std::string line = "torvex";
  for (size_t i = 1; i < arguments.size(); ++i) line += ' ' + Requoted(arguments[i]);
  const bool same = BuildArgumentVector(module, line.c_str(), IsCp932LeadByte) == arguments;
  return same && arguments[0] == module ? "" : "the arguments do not come back from " + line;
}
// strtoll reads white space, a sign and digits too, and saturates at 64 bits.
std::string FuzzDecimal(FuzzedDataProvider& input) {
  const std::string text = input.ConsumeRemainingBytesAsString();
  const long long model = std::strtoll(text.c_str(), nullptr, 10);
  return ParseDecimal(text.c_str()) == std::clamp<long long>(model, INT32_MIN, INT32_MAX)
             ? "" : "the decimal of " + text;
}
// Any length, any base: the dump of the bytes it shows, at most its limit, and nothing more.
std::string FuzzHexDump(FuzzedDataProvider& input) {
  const auto n = input.ConsumeIntegral<uint16_t>();
  const auto base = input.ConsumeIntegral<uint32_t>();
  std::string bytes = input.ConsumeBytesAsString(n);
  bytes.resize(n);
  const std::vector<unsigned char> data(bytes.begin(), bytes.end());  // no byte beyond them
  std::vector<char> text(kHexDumpTextSize);
  const std::string dump(text.data(), FormatHexDump(data.data(), n, base, text.data()));
  const std::string shown = bytes.substr(0, kHexDumpMaxBytes);
  const bool same = dump == text.data() && dump == ExpectedDump(shown, base);
  return same ? "" : "the dump of " + std::to_string(n) + " bytes from " + std::to_string(base);
}
// Any record and total: five lines of a label and figures, then the media name.
std::string FuzzGeometryReport(FuzzedDataProvider& input) {
  DiskGeometry geometry{};
  input.ConsumeData(&geometry, sizeof geometry);
  const auto end = input.ConsumeBool() ? RangeEnd::LastByte : RangeEnd::TotalBytes;
  std::vector<char> text(kGeometryReportSize);
  FormatGeometryReport(geometry, input.ConsumeIntegral<uint64_t>(), end, text.data());
  static const std::regex kReport("([^=\r\n]+=-?\\d+\r\n){3}[^=]+=-?\\d+\\(byte\\)\r\n[^=]+=-?\\d+"
                                  "\\(Mbyte\\)\\(0-(0x[0-9a-f]{1,8}|0)\\)\\(-?\\d+\\)\r\n"
                                  "[^=]+=(FixedMedia|Floppy|RemovalMedia|unknown)");
  return std::regex_match(text.data(), kReport) ? "" : std::string("ill-formed: ") + text.data();
}
// One operation on a drive of at most 256 sectors whose geometry, image, faults and answer
// the input chooses, in a directory of its own: the operations save their files where they run.
// Start and count: any 32-bit value shifted down by any number of bits, so mostly small ones.
std::string FuzzOperation(FuzzedDataProvider& input, bool write) {
  static std::string directory = std::filesystem::temp_directory_path() / "torvex-fuzz-XXXXXX";
  static const bool moved = mkdtemp(directory.data()) && chdir(directory.c_str()) == 0;
  if (!moved) return "no directory of its own in " + directory;
  const uint32_t s = input.ConsumeBool() ? input.PickValueInArray({512u, 1024u, 2048u, 128u})
                                         : input.ConsumeIntegral<uint32_t>();
  ResetFakeVolume(input.ConsumeIntegralInRange(0, 256), std::min(s, 4096u));
  ResetFakeWindow();
  FakeDrive& drive = g_fakeDrive;
  drive.geometry = {input.ConsumeIntegral<int64_t>(), input.ConsumeIntegralInRange(0u, 13u),
                    input.ConsumeIntegral<uint32_t>(), input.ConsumeIntegral<uint32_t>(), s};
  drive.faultAt = input.ConsumeIntegralInRange(-1, 600);
  drive.fault = input.PickValueInArray({Fault::Fail, Fault::Short, Fault::Pending});
  drive.losesWrites = input.ConsumeBool();
  drive.largestBuffer = 1 << 24;  // a larger one costs AddressSanitizer much time and finds no more
  drive.image.assign(input.ConsumeIntegralInRange(0u, 300u * std::min(s, 4096u)), 0xA5);
  drive.imageSizeReported = input.ConsumeBool() ? input.ConsumeIntegral<uint64_t>() : 0;
  g_fakeWindow.answers = {input.PickValueInArray({kAnswerYes, kAnswerNo, kAnswerOk})};
  const int32_t start = input.ConsumeIntegral<int32_t>() >> input.ConsumeIntegralInRange(0, 31);
  const int32_t count = input.ConsumeIntegral<int32_t>() >> input.ConsumeIntegralInRange(0, 31);
  std::filesystem::remove_all("dump.img"), std::filesystem::remove_all("dump_bak.img");
  return RunOperationChecked(write, start, count);
}
std::string FuzzReadOperation(FuzzedDataProvider& input) { return FuzzOperation(input, false); }
std::string FuzzWriteOperation(FuzzedDataProvider& input) { return FuzzOperation(input, true); }

// One program for every target; its link names it: torvex_fuzz_<target>.
std::string (*g_target)(FuzzedDataProvider&);
extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  static const std::map<std::string, decltype(g_target)> kTargets = {
      {"arguments", FuzzArguments}, {"decimal", FuzzDecimal}, {"hex_dump", FuzzHexDump},
      {"geometry_report", FuzzGeometryReport}, {"read_operation", FuzzReadOperation},
      {"write_operation", FuzzWriteOperation}};
  const std::string program = (*argv)[0];
  g_target = kTargets.at(program.substr(program.rfind("torvex_fuzz_") + 12));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string broken = g_target(input);
  if (!broken.empty()) throw std::logic_error(broken);  // terminates: a crash that names it
  return 0;
}
