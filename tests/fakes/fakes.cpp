#include "tests/fakes/fakes.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
uint32_t g_pending;
bool g_otherFile;

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

}  // namespace

unsigned char SectorByte(uint64_t offset) { return (unsigned char)(offset % 251 + offset / 512 * 7); }

void ResetFakes(uint32_t sectors, uint32_t bytesPerSector) {
  g_drive = FakeDrive{};
  g_drive.geometry.BytesPerSector = bytesPerSector;
  g_drive.sectors.resize(uint64_t{sectors} * bytesPerSector);
  for (size_t i = 0; i < g_drive.sectors.size(); ++i) g_drive.sectors[i] = SectorByte(i);
  g_pointer = 0, g_shown.clear(), g_answers.clear();
}

uint64_t QueryTotalBytes(const char*) { return Hit(Call::TotalBytes) ? 0 : g_drive.sectors.size(); }
VolumeHandle OpenVolumeForWriting(char letter) { return OpenVolumeForReading(letter); }
VolumeHandle OpenVolumeForReading(char) { return Hit(Call::Open) ? nullptr : (++g_drive.opens, &g_token); }
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
  const uint32_t n = Move(g_pointer, buffer, Granted(Hit(Call::Read), bytes), false);
  return g_pointer += n, n;
}
uint32_t WriteVolume(VolumeHandle, const void* buffer, uint32_t bytes) {
  const uint32_t n = Move(g_pointer, (void*)buffer, Granted(Hit(Call::Write), bytes), true);
  return g_pointer += n, n;
}
void CloseVolume(VolumeHandle) { g_drive.calls.push_back(Call::Close), ++g_drive.closes; }

void* AllocateBuffer(uint64_t bytes) {
  void* buffer = Hit(Call::Allocate) || bytes >= g_drive.largestBuffer ? nullptr : std::malloc(bytes);
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
  for (const Shown& s : g_shown)
    if (s.kind == kind) texts.push_back(s.text);
  return texts;
}
void SetStatusText(const char* text) { g_shown.push_back({"status", text}); }
void SetMainWindowTitle(const char* text) { g_shown.push_back({"title", text}); }
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

// Each progress text's percentage rises while its loop runs; the last status is a final one,
// or a box other than the confirmation told why the operation stopped.
bool StatusesTellTheEnd() {
  std::string stem, last;
  int percent = -1;
  for (const std::string& status : ShownTexts("status")) {
    const bool progress = status.size() > 4 && status.back() == '%';
    const int shown = progress ? std::stoi(status.substr(status.size() - 4)) : -1;
    if (progress && status.substr(0, status.size() - 4) == stem && shown <= percent) return false;
    stem = progress ? status.substr(0, status.size() - 4) : "", percent = shown, last = status;
  }
  return last == "終了" || last == "書き込まず終了" ||
         std::any_of(g_shown.begin(), g_shown.end(), [](auto& s) { return s.answer && s.kind != "確認"; });
}

}  // namespace

std::string RunChecked(bool write, int32_t start, int32_t count) {
  const Bytes before = g_drive.sectors;
  g_dumpToFile = 1;
  std::FILE* trace = std::tmpfile();  // a read echoes every byte it saves
  const int out = dup(1);
  std::fflush(stdout), dup2(fileno(trace), 1);
  if (write) WriteOperation('E', "E:\\", start, count, g_drive.imagePath.c_str());
  else ReadOperation('E', "E:\\", start, count);
  std::fflush(stdout), dup2(out, 1), close(out), std::fclose(trace);

  const Bytes& after = g_drive.sectors;  // the range asked for, as far as it lies on the drive:
  const int64_t s = g_drive.geometry.BytesPerSector, size = std::ssize(before);
  const int64_t first = std::clamp<int64_t>(int64_t{start} * s, 0, size);
  const int64_t end = std::clamp<int64_t>(first + int64_t{count} * s, first, size);
  const Bytes original(before.begin() + first, before.begin() + end);
  if (g_drive.opens > 1 || g_drive.closes != g_drive.opens) return "the volume was not closed once";
  if (g_drive.liveBuffers != 0) return "a buffer was not released";
  if (!std::equal(before.begin(), before.begin() + first, after.begin()) ||
      !std::equal(before.begin() + end, before.end(), after.begin() + end))
    return "a byte outside the range changed";
  if (!StatusesTellTheEnd()) return "a progress fell back, or the end went untold";
  // dump.img holds the range's leading sectors; a read that came short, zeros for its tail.
  const Bytes saved = FileStart("dump.img", original.size() + 1);
  const auto same = [](unsigned char a, unsigned char b) { return a == b || a == 0; };
  if (!write && std::filesystem::is_regular_file("dump.img") &&
      (saved.size() > original.size() || !std::equal(saved.begin(), saved.end(), original.begin(), same)))
    return "dump.img holds other bytes than the range's";
  if (std::count(g_drive.calls.begin(), g_drive.calls.end(), Call::Write) == 0) return "";
  const auto asked = std::find_if(g_shown.begin(), g_shown.end(), [](auto& s) { return s.kind == "確認"; });
  if (asked == g_shown.end() || asked->answer != kAnswerYes) return "a sector was written unasked";
  if (FileStart("dump_bak.img", original.size() + 1) != original)
    return "a sector was written without the whole backup saved";
  const bool landed = g_drive.image.size() >= original.size() &&
                      std::equal(after.begin() + first, after.begin() + end, g_drive.image.begin());
  const auto lastBox = std::find_if(g_shown.rbegin(), g_shown.rend(), [](auto& s) { return s.answer; });
  return landed || lastBox->kind == "エラー" ? "" : "a write that did not land whole went untold";
}
