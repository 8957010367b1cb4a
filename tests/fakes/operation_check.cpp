#include "tests/fakes/operation_check.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <vector>

#include "app/app_state.h"
#include "ops/read_operation.h"
#include "ops/write_operation.h"
#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Texts = std::vector<std::string>;

// Which status may follow which ("" stands before the first). A progress text
// stands as its stem and "%"; its percentage must rise. The geometry status
// leads on differently in write mode ("W").
const std::map<std::string, Texts> kNext = {
    {"", {"HANDLE OK"}},
    {"HANDLE OK", {"DRIVE LOCK ERROR", "DRIVE LOCK OK"}},
    {"DRIVE LOCK OK", {"ジオメトリリードエラー", "Reading GEOMETRY.."}},
    {"ジオメトリリードエラー", {"終了"}},
    {"Reading GEOMETRY..", {"Reading DATA..", "終了"}},
    {"Reading GEOMETRY..W", {"終了", "書き込まず終了", "Read DATA"}},
    {"Reading DATA..", {"Reading DATA..%", "終了"}},
    {"Reading DATA..%", {"Reading DATA..%", "終了"}},
    {"Read DATA", {"BackUp Original DATA", "終了"}},
    {"BackUp Original DATA", {"BackUp Original DATA ..%", "Write DATA", "終了"}},
    {"BackUp Original DATA ..%", {"BackUp Original DATA ..%", "Write DATA", "終了"}},
    {"Write DATA", {"Write DATA ..%", "終了"}},
    {"Write DATA ..%", {"Write DATA ..%", "終了"}},
};

// True when the statuses follow each other as above and end where an
// operation may end; with no final status ("終了") a box must have told why.
bool StatusesInOrder(bool write) {
  std::string last;
  int percent = -1;
  for (std::string status : ShownTexts(ShownKind::Status)) {
    const bool progress = status.size() > 4 && status.back() == '%';
    const int shown = progress ? std::stoi(status.substr(status.size() - 4)) : -1;
    if (progress) status = status.substr(0, status.size() - 4) + "%";
    const auto next = kNext.find(last + (write && last == "Reading GEOMETRY.." ? "W" : ""));
    if (next == kNext.end() || std::count(next->second.begin(), next->second.end(), status) == 0)
      return false;
    if (progress && status == last && shown <= percent) return false;
    percent = progress ? shown : -1, last = status;
  }
  return last == "終了" || last == "書き込まず終了" || !ShownOf(ShownKind::MessageBox).empty();
}

// At most `limit` bytes of a file (a full disk reads as endless zeros).
Bytes FileStart(const char* name, size_t limit) {
  Bytes bytes(limit);
  std::ifstream file(name, std::ios::binary);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

}  // namespace

std::string RunOperationChecked(bool write, int32_t start, int32_t count) {
  const Bytes before = g_fakeDrive.sectors;
  g_dumpToFile = 1;
  if (write) WriteOperation('E', "E:\\", start, count, g_fakeDrive.imagePath.c_str());
  else ReadOperation('E', "E:\\", start, count);
  const Bytes& after = g_fakeDrive.sectors;

  // The range asked for, as far as it lies on the drive.
  const int64_t s = g_fakeDrive.geometry.BytesPerSector, size = std::ssize(before);
  const int64_t first = std::clamp<int64_t>(int64_t{start} * s, 0, size);
  const int64_t end = std::clamp<int64_t>(first + int64_t{count} * s, first, size);
  const Bytes original(before.begin() + first, before.begin() + end);
  const std::vector<Call>& calls = g_fakeLog.calls;

  if (g_fakeLog.opens > 1 || g_fakeLog.closes != g_fakeLog.opens)
    return "the volume was not closed exactly once";
  if (g_fakeLog.liveBuffers != 0) return "a buffer was not released";
  if (!std::equal(before.begin(), before.begin() + first, after.begin()) ||
      !std::equal(before.begin() + end, before.end(), after.begin() + end))
    return "a byte outside the range changed";
  if (!StatusesInOrder(write)) return "the statuses are out of order or tell nothing";
  if (std::count(calls.begin(), calls.end(), Call::Write) == 0) return "";
  if (FileStart("dump_bak.img", original.size() + 1) != original)
    return "a sector was written without the whole backup saved";
  const Bytes& image = g_fakeDrive.image;
  const bool landed = image.size() >= original.size() &&
                      std::equal(after.begin() + first, after.begin() + end, image.begin());
  const std::vector<Shown> boxes = ShownOf(ShownKind::MessageBox);
  if (!landed && boxes.back().caption != "エラー")
    return "a write that did not land whole went unreported";
  return "";
}
