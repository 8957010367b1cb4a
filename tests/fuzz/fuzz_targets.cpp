// libFuzzer targets: each function takes the input and returns the rule it broke, or "".
#include <fuzzer/FuzzedDataProvider.h>
#include <stdexcept>
#include "tests/fakes/fakes.h"
#include "volume/volume_lock.h"
#include "window/window_conventions.h"
// One operation on a drive of at most 256 sectors whose geometry, image, fault, answer, lock and
// files the input chooses; start and count shifted down by any number of bits: mostly small ones.
std::string FuzzOperation(FuzzedDataProvider& input, bool write) {
  const uint32_t s = input.ConsumeBool() ? input.PickValueInArray({512u, 1024u, 2048u, 128u})
                                         : input.ConsumeIntegral<uint32_t>();
  ResetFakes(input.ConsumeIntegralInRange(0, 256), std::min(s, 4096u));
  g_drive.geometry = {input.ConsumeIntegral<int64_t>(), input.ConsumeIntegralInRange(0u, 13u),
                      input.ConsumeIntegral<uint32_t>(), input.ConsumeIntegral<uint32_t>(), s};
  g_drive.faultAt = input.ConsumeIntegralInRange(-1, 600);
  g_drive.fault = input.PickValueInArray({Fault::Fail, Fault::Short});
  g_drive.losesWrites = input.ConsumeBool();
  g_drive.largestBuffer = 1 << 24;  // larger ones cost AddressSanitizer much time, find no more
  g_drive.image.assign(input.ConsumeIntegralInRange(0u, 300u * std::min(s, 4096u)), 0xA5);
  g_drive.imageSizeReported = input.ConsumeBool() ? input.ConsumeIntegral<uint64_t>() : 0;
  g_answers = {input.PickValueInArray({kAnswerYes, kAnswerNo, kAnswerOk, 0, 2})};  // 2: IDCANCEL
  const int32_t start = input.ConsumeIntegral<int32_t>() >> input.ConsumeIntegralInRange(0, 31);
  const int32_t count = input.ConsumeIntegral<int32_t>() >> input.ConsumeIntegralInRange(0, 31);
  g_drive.lockRefusals = input.ConsumeIntegralInRange(0, kLockAttempts);
  g_drive.writability = input.PickValueInArray({0u, kErrorWriteProtect, 50u, 31u});
  g_drive.created = input.PickValueInArray(
      {Created::AsAsked, Created::Elsewhere, Created::HardLinked, Created::ReparsePoint});
  return RunChecked(write, start, count);
}
// One program for every target; its link names it: torvex_fuzz_<target>.
std::string g_target;
extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  g_target = std::string((*argv)[0]).substr(std::string((*argv)[0]).rfind("torvex_fuzz_") + 12);
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string broken = FuzzOperation(input, g_target == "write_operation");
  if (!broken.empty()) throw std::logic_error(broken);  // terminates: a crash that names it
  return 0;
}
