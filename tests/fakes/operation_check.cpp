#include "tests/fakes/operation_check.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "app/app_state.h"
#include "ops/read_operation.h"
#include "ops/write_operation.h"
#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"

namespace {

using Bytes = std::vector<unsigned char>;

// At most `limit` bytes of a file (a full disk reads as endless zeros).
Bytes FileStart(const char* name, size_t limit) {
  Bytes bytes(limit);
  std::ifstream file(name, std::ios::binary);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  bytes.resize(file ? limit : static_cast<size_t>(file.gcount()));
  return bytes;
}

bool Logged(Call call) {
  const std::vector<Call>& calls = g_fakeLog.calls;
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

bool ErrorBoxShown() {
  for (const Shown& box : ShownBoxes())
    if (box.caption == "エラー") return true;
  return false;
}

// A box, or the status every finished operation ends with.
bool UserTold() {
  const std::vector<std::string> statuses = ShownTexts(ShownKind::Status);
  return !ShownBoxes().empty() || (!statuses.empty() && statuses.back() == "終了");
}

}  // namespace

std::string RunOperationChecked(bool write, int32_t start, int32_t count) {
  const Bytes before = g_fakeDrive.sectors;
  g_dumpToFile = 1;
  if (write) WriteOperation('E', "E:\\", start, count, g_fakeDrive.imagePath.c_str());
  else ReadOperation('E', "E:\\", start, count);
  const Bytes& after = g_fakeDrive.sectors;

  // The range asked for, as far as it lies on the drive.
  const int64_t s = g_fakeDrive.geometry.BytesPerSector;
  const auto size = static_cast<int64_t>(before.size());
  const int64_t first = std::clamp<int64_t>(int64_t{start} * s, 0, size);
  const int64_t end = std::clamp<int64_t>(first + int64_t{count} * s, first, size);
  const Bytes original(before.begin() + first, before.begin() + end);

  if (g_fakeLog.opens > 1 || g_fakeLog.closes != g_fakeLog.opens)
    return "the volume was not closed exactly once";
  if (g_fakeLog.liveBuffers != 0) return "a buffer was not released";
  if (!std::equal(before.begin(), before.begin() + first, after.begin()) ||
      !std::equal(before.begin() + end, before.end(), after.begin() + end))
    return "a byte outside the range changed";
  if (!UserTold()) return "the user was told nothing";
  if (!Logged(Call::Write)) return "";
  if (FileStart("dump_bak.img", original.size() + 1) != original)
    return "a sector was written without the whole backup saved";
  const Bytes& image = g_fakeDrive.image;
  const bool landed = image.size() >= original.size() &&
                      std::equal(after.begin() + first, after.begin() + end, image.begin());
  if (!landed && !ErrorBoxShown()) return "a write that did not land whole went unreported";
  return "";
}
