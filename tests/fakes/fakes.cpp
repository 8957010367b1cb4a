#include "tests/fakes/fakes.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/app_state.h"
#include "ops/read_operation.h"
#include "ops/write_operation.h"
#include "window/window_conventions.h"

FakeDrive g_drive;
std::vector<Shown> g_shown;
std::deque<int> g_answers;

namespace {

using Bytes = std::vector<unsigned char>;
int g_token;  // the handle of the volume and of the image file
uint64_t g_pointer, g_imageRead;  // the volume's running pointer; where the next image read starts
uint32_t g_pending;  // what the pending read delivers
bool g_otherFile;    // the file opened is not the image

// Logs the call; true when it is the one that goes wrong.
bool Hit(Call call) {
  g_drive.calls.push_back(call);
  return std::ssize(g_drive.calls) - 1 == g_drive.faultAt;
}
// The bytes a call asking `bytes` moves: all, half when Short, none when Fail.
uint32_t Granted(bool hit, uint32_t bytes) {
  if (!hit || g_drive.fault == Fault::Pending) return bytes;
  return g_drive.fault == Fault::Short ? bytes / 2 : 0;
}
// Moves up to `bytes` between the volume at `position` and `buffer`; the count moved.
uint32_t Move(uint64_t position, void* buffer, uint32_t bytes, bool write) {
  Bytes& volume = g_drive.sectors;
  if (position >= volume.size()) return 0;
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(bytes, volume.size() - position));
  if (!write) std::memcpy(buffer, volume.data() + position, n);
  else if (!g_drive.losesWrites) std::memcpy(volume.data() + position, buffer, n);
  return n;
}
// A read or write at the running pointer.
uint32_t Transfer(Call call, void* buffer, uint32_t bytes) {
  const uint32_t n = Move(g_pointer, buffer, Granted(Hit(call), bytes), call == Call::Write);
  return g_pointer += n, n;
}

}  // namespace

void ResetFakes(uint32_t sectors, uint32_t bytesPerSector) {
  g_drive = FakeDrive{}, g_drive.geometry.BytesPerSector = bytesPerSector;
  g_drive.sectors.resize(uint64_t{sectors} * bytesPerSector);
  for (size_t i = 0; i < g_drive.sectors.size(); ++i) g_drive.sectors[i] = i % 251 + i / 512 * 7;
  g_pointer = 0, g_shown.clear(), g_answers.clear();
}

uint64_t QueryTotalBytes(const char*) { return Hit(Call::TotalBytes) ? 0 : g_drive.sectors.size(); }
VolumeHandle OpenVolumeForWriting(char letter) { return OpenVolumeForReading(letter); }
VolumeHandle OpenVolumeForReading(char) {
  return Hit(Call::Open) ? nullptr : (++g_drive.opens, &g_token);
}
uint32_t LockVolume(VolumeHandle) { return Hit(Call::Lock) ? 31 : 0; }
uint32_t ReadDriveGeometry(VolumeHandle, DiskGeometry* record) {
  return Hit(Call::Geometry) ? 31 : (*record = g_drive.geometry, 0);
}
bool SetVolumePosition(VolumeHandle, uint32_t distance) {
  return !Hit(Call::Position) && (g_pointer = distance, true);
}
uint32_t ReadVolumeAt(VolumeHandle, uint64_t position, void* buffer, uint32_t bytes,
                      uint32_t* delivered) {
  const bool hit = Hit(Call::ReadAt);
  *delivered = 0;
  if (hit && g_drive.fault == Fault::Fail) return 31;
  if (position >= g_drive.sectors.size()) return kErrorHandleEof;
  const uint32_t n = Move(position, buffer, Granted(hit, bytes), false);
  if (hit && g_drive.fault == Fault::Pending) return g_pending = n, kErrorIoPending;
  return *delivered = n, 0;
}
uint32_t AwaitVolumeRead(VolumeHandle, uint32_t* delivered) { return *delivered = g_pending, 0; }
uint32_t ReadVolume(VolumeHandle, void* buffer, uint32_t bytes) {
  return Transfer(Call::Read, buffer, bytes);
}
uint32_t WriteVolume(VolumeHandle, const void* buffer, uint32_t bytes) {
  return Transfer(Call::Write, const_cast<void*>(buffer), bytes);
}
void CloseVolume(VolumeHandle) { g_drive.calls.push_back(Call::Close), ++g_drive.closes; }

void* AllocateBuffer(uint64_t bytes) {
  const bool refused = Hit(Call::Allocate) || bytes >= g_drive.largestBuffer;
  void* buffer = refused ? nullptr : std::malloc(bytes);
  return g_drive.liveBuffers += buffer != nullptr, buffer;
}
void ReleaseBuffer(void* buffer) { g_drive.liveBuffers -= buffer != nullptr, std::free(buffer); }

bool QueryImageFileSize(const char* path, uint64_t* size) {
  if (Hit(Call::ImageSize) || g_drive.imagePath != path) return false;
  return *size = g_drive.imageSizeReported ? g_drive.imageSizeReported : g_drive.image.size(), true;
}
bool IsSameFile(const char* path, const char* otherPath) { return std::string(path) == otherPath; }
// Like an open that creates a missing file: any other path opens an empty file.
ImageFileHandle OpenImageFile(const char* path) {
  g_otherFile = g_drive.imagePath != path, g_imageRead = 0;
  return Hit(Call::ImageOpen) ? nullptr : &g_token;
}
uint32_t ReadImageFile(ImageFileHandle, void* buffer, uint32_t bytes) {
  const uint64_t left = g_otherFile ? 0 : g_drive.image.size() - g_imageRead;
  const uint32_t n = Granted(Hit(Call::ImageRead), std::min<uint64_t>(bytes, left));
  if (n) std::memcpy(buffer, g_drive.image.data() + g_imageRead, n);
  return g_imageRead += n, n;
}
void CloseImageFile(ImageFileHandle) {}

std::vector<std::string> ShownTexts(const std::string& kind) {
  std::vector<std::string> texts;
  for (const Shown& s : g_shown) if (s.kind == kind) texts.push_back(s.text);
  return texts;
}
void SetStatusText(const char* text) { g_shown.push_back({"status", text}); }
void SetMainWindowTitle(const char* text) { g_shown.push_back({"title", text}); }
void ShowProgressText(const char* text, bool inTitle) {
  SetStatusText(text);
  if (inTitle) SetMainWindowTitle(text);
}
void SetControlText(int id, const char* text) {
  g_shown.push_back({std::to_string(id).insert(0, 1, '#'), text ? text : ""});
}
void KeepWindowResponsive() {}
int ShowMessageBox(BoxOwner, const char* text, const char* caption, unsigned) {
  const int answer = g_answers.empty() ? kAnswerOk : g_answers.front();
  if (!g_answers.empty()) g_answers.pop_front();
  return g_shown.push_back({caption, text, answer}), answer;
}
int ShowSystemErrorBox(BoxOwner owner, uint32_t code, const char* caption, unsigned style) {
  return ShowMessageBox(owner, ("system message " + std::to_string(code)).c_str(), caption, style);
}

namespace {

// At most `limit` bytes of a file: a full disk reads as endless zeros.
Bytes FileStart(const char* name, size_t limit) {
  std::ifstream file(name, std::ios::binary);
  Bytes bytes(limit);
  bytes.resize(file.read(reinterpret_cast<char*>(bytes.data()), limit).gcount());
  return bytes;
}
bool IsTold(const Shown& s) { return s.answer && s.kind != "確認"; }  // by a box
// Each progress text rises while its loop runs (its fixed-width percentage compares as text,
// and the three loops' texts differ in length); the last status is a final one, or a box other
// than the confirmation told why the operation stopped.
bool StatusesTellTheEnd() {
  const std::vector<std::string> s = ShownTexts("status");
  for (size_t i = 1; i < s.size(); ++i)
    if (s[i].back() == '%' && s[i - 1].back() == '%' && s[i].size() == s[i - 1].size() &&
        s[i] <= s[i - 1])
      return false;
  const std::string last = s.empty() ? "" : s.back();
  return last == "終了" || last == "書き込まず終了" || std::any_of(g_shown.begin(), g_shown.end(), IsTold);
}

}  // namespace

// The rules: the volume closed once, every buffer released, no byte outside the range changed,
// each progress rising and an end the user is told; no write without a Yes and dump_bak.img
// holding the whole range; a write that did not land whole told in an error box.
std::string RunChecked(bool write, int32_t start, int32_t count) {
  const Bytes before = g_drive.sectors;
  g_dumpToFile = 1;
  const int out = dup(1);  // the trace goes nowhere: a read traces every byte it saves
#ifdef _WIN32
  const int nowhere = open("NUL", O_WRONLY);
#else
  const int nowhere = open("/dev/null", O_WRONLY);
#endif
  std::fflush(stdout), dup2(nowhere, 1);
  if (write) WriteOperation('E', "E:\\", start, count, g_drive.imagePath.c_str());
  else ReadOperation('E', "E:\\", start, count);
  std::fflush(stdout), dup2(out, 1), close(out), close(nowhere);

  const Bytes& after = g_drive.sectors;  // the range asked for, as far as it lies on the drive:
  const int64_t s = g_drive.geometry.BytesPerSector, size = std::ssize(before);
  const int64_t first = std::clamp<int64_t>(int64_t{start} * s, 0, size);
  const int64_t end = std::clamp<int64_t>(first + int64_t{count} * s, first, size);
  const Bytes range(before.begin() + first, before.begin() + end);
  if (g_drive.opens > 1 || g_drive.closes != g_drive.opens) return "the volume was not closed once";
  if (g_drive.liveBuffers != 0) return "a buffer was not released";
  if (!std::equal(before.begin(), before.begin() + first, after.begin()) ||
      !std::equal(before.begin() + end, before.end(), after.begin() + end))
    return "a byte outside the range changed";
  if (!StatusesTellTheEnd()) return "a progress fell back, or the end went untold";
  if (std::count(g_drive.calls.begin(), g_drive.calls.end(), Call::Write) == 0) return "";
  const auto asked = std::find_if(g_shown.begin(), g_shown.end(),
                                  [](const Shown& s) { return s.kind == "確認"; });
  if (asked == g_shown.end() || asked->answer != kAnswerYes) return "a sector was written unasked";
  if (FileStart("dump_bak.img", range.size() + 1) != range)
    return "a sector was written without the whole backup saved";
  const bool landed = g_drive.image.size() >= range.size() &&
                      std::equal(after.begin() + first, after.begin() + end, g_drive.image.begin());
  const auto told = std::find_if(g_shown.rbegin(), g_shown.rend(), IsTold);  // the last box
  if (landed || (told != g_shown.rend() && told->kind == "エラー")) return "";
  return "a write that did not land whole went untold";
}
