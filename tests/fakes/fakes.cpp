#include "tests/fakes/fakes.h"
#include <fcntl.h>
#include <cerrno>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include "ops/read_operation.h"
#include "ops/write_operation.h"
#include "window/window_conventions.h"
FakeDrive g_drive;
std::vector<Shown> g_shown;
std::deque<int> g_answers;
#ifndef O_BINARY
#define O_BINARY 0  // only Windows translates line ends in files
#endif
namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
int g_token;  // the handle of the volume and of the image file
uint64_t g_pointer, g_imageRead;  // the volume's running pointer; where the next image read starts
bool g_otherFile;    // the file opened is not the image
std::string g_created;  // the name of the partial file last created
// Logs the call; true when it is the one that goes wrong.
bool Hit(Call call) {
  g_drive.calls.push_back({call});
  return std::ssize(g_drive.calls) - 1 == g_drive.faultAt;
}
// Keeps the code the call just logged answers, and returns it.
uint32_t Answer(uint32_t error) { return g_drive.calls.back().error = error; }
// The bytes a call asking `bytes` moves: all, half when Short, none when Fail.
uint32_t Granted(bool hit, uint32_t bytes) {
  if (!hit) return bytes;
  return g_drive.fault == Fault::Short ? bytes / 2 : 0;
}
// Moves up to `bytes` between the volume at `position` and `buffer`: the count, logged.
uint32_t Move(uint64_t position, void* buffer, uint32_t bytes, bool write) {
  Bytes& volume = g_drive.sectors;
  if (position >= volume.size()) return 0;
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(bytes, volume.size() - position));
  if (!write) std::memcpy(buffer, volume.data() + position, n);
  else if (!g_drive.losesWrites) std::memcpy(volume.data() + position, buffer, n);
  g_drive.calls.back().moved = n;
  return n;
}
uint32_t Transfer(Call call, void* buffer, uint32_t bytes) {
  const uint32_t n = Move(g_pointer, buffer, Granted(Hit(call), bytes), call == Call::Write);
  g_pointer += n;
  return n;
}
}  // namespace
void ResetFakes(uint32_t sectors, uint32_t bytesPerSector) {
  static const fs::path folder = fs::temp_directory_path() / ("torvex-" + std::to_string(getpid()));
  fs::current_path(folder.parent_path());
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::current_path(folder);
  g_drive = FakeDrive{};
  g_drive.geometry.BytesPerSector = bytesPerSector;
  g_drive.sectors.resize(uint64_t{sectors} * bytesPerSector);
  for (size_t i = 0; i < g_drive.sectors.size(); ++i) g_drive.sectors[i] = i % 251 + i / 512 * 7;
  g_pointer = 0;
  g_shown.clear();
  g_answers.clear();
}
uint64_t QueryTotalBytes(const char*) { return Hit(Call::TotalBytes) ? 0 : g_drive.sectors.size(); }
VolumeHandle OpenVolumeForWriting(char letter) { return OpenVolumeForReading(letter); }
VolumeHandle OpenVolumeForReading(char) { return Hit(Call::Open) ? nullptr : &g_token; }
uint32_t LockVolume(VolumeHandle) {
  const bool refused = Hit(Call::Lock) || g_drive.lockRefusals-- > 0;
  return Answer(refused ? 33 : 0);
}
void PauseBeforeLockRetry() { Hit(Call::Pause); }
void AllowExtendedAccess(VolumeHandle) { Hit(Call::ExtendedAccess); }
uint32_t QueryVolumeWritable(VolumeHandle) {
  return Hit(Call::Writable) ? 31 : g_drive.writability;
}
void DismountVolume(VolumeHandle) { Hit(Call::Dismount); }
uint32_t ReadDriveGeometry(VolumeHandle, DiskGeometry* record) {
  if (Hit(Call::Geometry)) return 31;
  *record = g_drive.geometry;
  return 0;
}
bool SetVolumePosition(VolumeHandle, uint32_t distance) {
  if (Hit(Call::Position)) return false;
  g_pointer = distance;
  return true;
}
uint32_t ReadVolumeAt(VolumeHandle, uint64_t position, void* buffer, uint32_t bytes,
                      uint32_t* delivered) {
  const bool hit = Hit(Call::ReadAt);
  *delivered = 0;
  if (hit && g_drive.fault == Fault::Fail) return Answer(31);
  if (position >= g_drive.sectors.size()) return Answer(kErrorHandleEof);
  const uint32_t n = Move(position, buffer, Granted(hit, bytes), false);
  if (hit && g_drive.fault == Fault::Short) g_drive.gap = {position + n, position + bytes};
  *delivered = n;
  return 0;
}
uint32_t ReadVolume(VolumeHandle, void* b, uint32_t n) { return Transfer(Call::Read, b, n); }
uint32_t WriteVolume(VolumeHandle, const void* b, uint32_t n) {
  return Transfer(Call::Write, const_cast<void*>(b), n);
}
void CloseVolume(VolumeHandle) { Hit(Call::Close); }
void* AllocateBuffer(uint64_t bytes) {
  const bool refused = Hit(Call::Allocate) || bytes >= g_drive.largestBuffer;
  void* buffer = refused ? nullptr : std::malloc(bytes);
  g_drive.liveBuffers += buffer != nullptr;
  return buffer;
}
void ReleaseBuffer(void* buffer) {
  g_drive.liveBuffers -= buffer != nullptr;
  std::free(buffer);
}
// The dump files are real files in the current directory, created new as the system does.
OutputFileHandle CreateOutputFile(const char* name, uint32_t* error) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;
  const int file = Hit(Call::FileCreate) ? -1 : open(name, flags, 0666);
  *error = file >= 0 ? 0 : errno == EEXIST ? kErrorFileExists : 5;
  g_created = name;
  return file >= 0 ? fdopen(file, "wb") : nullptr;
}
uint32_t DescribeOutputFile(OutputFileHandle, OutputFileFacts* facts) {
  if (Hit(Call::FileDescribe)) return 5;
  const fs::path at = g_drive.created == Created::Elsewhere ? fs::temp_directory_path() / g_created
                                                            : fs::canonical(g_created);
  std::snprintf(facts->finalPath, sizeof facts->finalPath, "%s", at.string().c_str());
  facts->links = g_drive.created == Created::HardLinked ? 2 : 1;
  facts->reparsePoint = g_drive.created == Created::ReparsePoint;
  return 0;
}
uint32_t QueryWorkingFolder(char* path, size_t size) {
  if (Hit(Call::Folder)) return 5;
  std::snprintf(path, size, "%s", (fs::canonical(".") / "").string().c_str());
  return 0;
}
void DiscardOutputFile(OutputFileHandle file) {
  Hit(Call::FileDiscard);
  std::fclose(static_cast<std::FILE*>(file));
  std::remove(g_created.c_str());
}
uint32_t WriteOutputFile(OutputFileHandle file, const void* buffer, uint32_t bytes) {
  const uint32_t n = Granted(Hit(Call::FileWrite), bytes);
  return std::fwrite(buffer, 1, n, static_cast<std::FILE*>(file)) == bytes ? 0 : kErrorDiskFull;
}
uint32_t FlushOutputFile(OutputFileHandle file) {
  const bool failed = Hit(Call::FileFlush);
  return std::fflush(static_cast<std::FILE*>(file)) != 0 || failed ? kErrorDiskFull : 0;
}
uint32_t CloseOutputFile(OutputFileHandle file) {
  const bool failed = Hit(Call::FileClose);
  return std::fclose(static_cast<std::FILE*>(file)) != 0 || failed ? kErrorDiskFull : 0;
}
uint32_t ReplaceFileWith(const char* to, const char* from) {
  if (Hit(Call::FileReplace)) return 5;
  std::error_code error;
  fs::rename(from, to, error);
  return error ? 5 : 0;
}
void RemoveFile(const char* name) { std::remove(name); }
bool QueryImageFileSize(const char* path, uint64_t* size) {
  if (Hit(Call::ImageSize) || g_drive.imagePath != path) return false;
  *size = g_drive.imageSizeReported ? g_drive.imageSizeReported : g_drive.image.size();
  return true;
}
bool IsSameFile(const char* path, const char* otherPath) { return std::string(path) == otherPath; }
// Like an open that creates a missing file: any other path opens an empty file.
ImageFileHandle OpenImageFile(const char* path) {
  g_otherFile = g_drive.imagePath != path;
  g_imageRead = 0;
  return Hit(Call::ImageOpen) ? nullptr : &g_token;
}
uint32_t ReadImageFile(ImageFileHandle, void* buffer, uint32_t bytes) {
  const uint64_t left = g_otherFile ? 0 : g_drive.image.size() - g_imageRead;
  const uint32_t n = Granted(Hit(Call::ImageRead), std::min<uint64_t>(bytes, left));
  if (n) std::memcpy(buffer, g_drive.image.data() + g_imageRead, n);
  g_imageRead += n;
  return n;
}
void CloseImageFile(ImageFileHandle) {}
std::vector<std::string> ShownTexts(const std::string& kind) {
  std::vector<std::string> texts;
  for (const Shown& s : g_shown) if (s.kind == kind) texts.push_back(s.text);
  return texts;
}
void SetStatusText(const char* text) { g_shown.push_back({"status", text}); }
void ShowProgressText(const char* text, bool inTitle) {
  SetStatusText(text);
  if (inTitle) g_shown.push_back({"title", text});
}
void SetControlText(int id, const char* text) {
  g_shown.push_back({std::to_string(id).insert(0, 1, '#'), text ? text : ""});
}
void KeepWindowResponsive() {}
// Only the confirmation (Yes and No) takes an answer from g_answers; any other box ends with OK.
int ShowMessageBox(BoxOwner, const char* text, const char* caption, unsigned style) {
  const bool asked = (style & kBoxYesNo) && !g_answers.empty();
  const int answer = asked ? g_answers.front() : kAnswerOk;
  if (asked) g_answers.pop_front();
  g_shown.push_back({caption, text, answer});
  return answer;
}
int ShowSystemErrorBox(BoxOwner owner, uint32_t code, const char* caption, unsigned style) {
  return ShowMessageBox(owner, ("system message " + std::to_string(code)).c_str(), caption, style);
}
void FormatSystemReason(uint32_t code, char* text, size_t size) {
  std::snprintf(text, size, "system reason %lu", static_cast<unsigned long>(code));
}
std::string ReadFile(const char* name) {
  std::ifstream file(name, std::ios::binary);
  return fs::is_regular_file(name) ? std::string(std::istreambuf_iterator<char>(file), {}) : "";
}
namespace {
bool IsBox(const Shown& s) { return s.kind != "status" && s.kind != "title" && s.kind[0] != '#'; }
bool IsTold(const Shown& s) { return IsBox(s) && s.kind != "確認"; }
bool BoxSays(const std::string& text) {
  return std::any_of(g_shown.begin(), g_shown.end(),
                     [&](const Shown& s) { return IsTold(s) && s.text.find(text) != s.text.npos; });
}
// What stands under `name`: nothing, a folder, a link with what it leads to, or a file's bytes.
std::string WhatIsThere(const std::string& name) {
  const fs::file_status status = fs::symlink_status(name);
  if (!fs::exists(status)) return "nothing";
  if (fs::is_directory(status)) return "a folder";
  const std::string bytes = ReadFile(name.c_str());
  return fs::is_symlink(status) ? "a link to " + fs::read_symlink(name).string() + ": " + bytes : bytes;
}
int64_t LastCall(Call call) {  // its log index, -1 when never made
  const auto& calls = g_drive.calls;
  return calls.rend() - std::ranges::find(calls.rbegin(), calls.rend(), call, &Logged::call) - 1;
}
// The calls `call` answered without an error code that moved `bytes`, or any when it is negative.
int64_t Calls(Call call, int64_t bytes = -1) {
  return std::ranges::count_if(g_drive.calls, [&](const Logged& l) {
    return l.call == call && (bytes < 0 || l.moved == bytes) && l.error == 0;
  });
}
template <typename... Values> std::string Format(const char* format, Values... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}
// Bytes [from, from + length) of a drive's, as positioned reads deliver them: a gap reads as zeros.
std::string Drive(const Bytes& bytes, int64_t from, int64_t length) {
  const int64_t to = std::min<int64_t>(from + length, std::ssize(bytes));
  std::string taken(bytes.begin() + std::min(from, to), bytes.begin() + to);
  for (uint64_t i = std::max<uint64_t>(from, g_drive.gap.first); i < g_drive.gap.second; ++i)
    if (i < uint64_t(to)) taken[i - from] = 0;
  return taken;
}
// Each progress text rises in its loop (the loops' texts differ in length, and a fixed-width
// percentage compares as text); the last status is a final one, or a box told why it stopped.
bool StatusesTellTheEnd() {
  const std::vector<std::string> s = ShownTexts("status");
  for (size_t i = 1; i < s.size(); ++i)
    if (s[i].back() == '%' && s[i - 1].back() == '%' && s[i].size() == s[i - 1].size() &&
        s[i] <= s[i - 1])
      return false;
  const std::string last = s.empty() ? "" : s.back();
  return last == "終了" || last == "書き込まず終了" || std::ranges::any_of(g_shown, IsTold);
}
// Every line of the last dump shows its address from `base` and, in hex, the drive's bytes there:
// a line is the address (10 characters) and, for each byte, 3 characters of hex and 1 of text.
bool DumpShowsTheDrive(uint32_t base, const Bytes& drive) {
  const std::vector<std::string> dumps = ShownTexts("#300");
  const std::string text = dumps.empty() ? "" : dumps.back();
  for (size_t at = text.find("\r\n") + 2, address = base; !text.empty() && at < text.size();
       address += 16) {
    const size_t end = std::min(text.find("\r\n", at), text.size());
    if (end - at < 10) return false;
    const size_t n = (end - at - 10) / 4;  // bytes shown
    std::string expected = Format("%08x| ", unsigned(address));
    for (const char c : Drive(drive, address, n)) expected += Format("%02x ", (unsigned char)c);
    if (expected.size() != 10 + 3 * n || text.compare(at, expected.size(), expected)) return false;
    at = end + 2;
  }
  return true;
}
}  // namespace
// Each rule is the text it returns when a run breaks it.
std::string RunChecked(bool write, int32_t start, int32_t count) {
  const Bytes before = g_drive.sectors;
  const std::string file = write ? "dump_bak.img" : "dump.img";
  for (const char* name : {"dump.img", "dump_bak.img"})
    if (!fs::exists(fs::symlink_status(name))) std::ofstream(name) << kPreviousFile;
  const std::string partial = file + ".tmp";
  const std::string foundInPartialsPlace = WhatIsThere(partial);
  const int out = dup(1);
  const int trace = open("trace.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::fflush(stdout);
  dup2(trace, 1);
  if (write) WriteOperation('E', "E:\\", start, count, g_drive.imagePath.c_str());
  else ReadOperation('E', "E:\\", start, count, true);
  std::fflush(stdout);
  dup2(out, 1);
  close(out);
  close(trace);
  const std::vector<Logged>& calls = g_drive.calls;
  const Bytes& after = g_drive.sectors;  // the range asked for, as far as it lies on the drive:
  const int64_t s = g_drive.geometry.BytesPerSector, size = std::ssize(before);
  const int64_t first = std::clamp<int64_t>(int64_t{start} * s, 0, size);
  const int64_t end = std::clamp<int64_t>(first + int64_t{count} * s, first, size);
  const bool opened = LastCall(Call::Open) >= 0 && LastCall(Call::Open) != g_drive.faultAt;
  if (Calls(Call::Close) != opened) return "the volume was not closed once";
  if (g_drive.liveBuffers != 0) return "a buffer was not released";
  const int64_t locked = LastCall(Call::Lock);  // granted, when its answer is 0
  const bool granted = locked >= 0 && calls[locked].error == 0;
  for (int64_t i = 0; i < std::ssize(calls); ++i)
    if (calls[i].moved > 0 && (!granted || i < locked || i > LastCall(Call::Close)))
      return "a sector was read or written without the lock";
  if (granted && calls[locked + 1].call != Call::ExtendedAccess)
    return "every sector was not asked for right after the lock";
  if (!std::equal(before.begin(), before.begin() + first, after.begin()) ||
      !std::equal(before.begin() + end, before.end(), after.begin() + end))
    return "a byte outside the range changed";
  if (!StatusesTellTheEnd()) return "a progress fell back, or the end went untold";
  const bool refused = locked >= 0 && !granted;
  std::string traced = refused ? ReadFile("trace.out") : "";
  std::erase(traced, '\r');
  if (refused && (g_shown.size() != 3 || g_shown[0].text != "HANDLE OK" || !IsBox(g_shown[1]) ||
                  g_shown[2].text != "DRIVE LOCK ERROR" ||
                  traced != (write ? "" : " ok handel\n lock error \n")))
    return "a refused lock was not told as it always was";
  // A write-protected medium: nothing read, no file touched, nothing written, and told.
  const int64_t askedWritable = LastCall(Call::Writable);
  const bool writeProtected = write && g_drive.writability == kErrorWriteProtect &&
                              (askedWritable < 0 || askedWritable != g_drive.faultAt);
  if (writeProtected && (LastCall(Call::Read) >= 0 || LastCall(Call::FileCreate) >= 0 ||
                         (askedWritable >= 0 && !BoxSays("書込み禁止"))))
    return "a write-protected medium was backed up, or went untold";
  if (!DumpShowsTheDrive(uint32_t(start) * uint32_t(s), after)) return "the dump shows other bytes";
  const bool saving = write ? std::ranges::count(ShownTexts("status"), "BackUp Original DATA") > 0
                            : LastCall(Call::ReadAt) >= 0;
  const int64_t readAt = LastCall(Call::ReadAt);  // the read that ended the loop
  const int64_t delivered = Calls(Call::ReadAt) - Calls(Call::ReadAt, 0);
  const int64_t copied = std::min<int64_t>(delivered, std::max(count, 0));
  const std::string made = Drive(before, first, write ? end - first : copied * s);
  const std::string content = ReadFile(file.c_str());
  const bool kept = fs::is_directory(file) || content == kPreviousFile;
  if (!fs::exists(file) || (!kept && content != made) || (!saving && !kept))
    return file + " is neither the previous file nor the whole new one";
  if (WhatIsThere(partial) != foundInPartialsPlace)
    return "a name found in the partial file's place was touched, or a partial file was left";
  if (g_drive.created != Created::AsAsked &&
      (Calls(Call::FileWrite) > 0 || LastCall(Call::FileReplace) >= 0))
    return "a file the system created elsewhere than asked was written or took the name";
  // A file counts as saved once its bytes are flushed to the disk, then closed, then renamed.
  const int64_t flushed = LastCall(Call::FileFlush);
  const int64_t closed = LastCall(Call::FileClose);
  const int64_t renamed = LastCall(Call::FileReplace);
  const bool failed = flushed == g_drive.faultAt || closed == g_drive.faultAt;
  if (!kept && (flushed < 0 || failed || closed < flushed || renamed < closed))
    return file + " took its name before its bytes were flushed and it was closed";
  const char* notSaved = write ? "dump_bak.img に保存できなかった" : "dump.img を保存できません";
  if (saving && content != made && !BoxSays(notSaved)) return file + " not saved went untold";
  // What a box says of a read that stopped: the counts, the sector and the drive's own reason.
  const uint32_t why = readAt < 0 ? 0 : calls[readAt].error;
  const bool atTheEnd = why == 0 || why == kErrorHandleEof;
  const std::string reason = atTheEnd ? "ボリュームの終わりです" : Format("system reason %u", why);
  const auto shortRead =
      Format("%d セクター中 %lld セクターです。\r\n止まったのはセクター %lld です。\r\n理由: %s",
             count, copied, start + copied, reason.c_str());
  if (!write && count > 0 && saving &&
      (copied < count) != BoxSays(copied < count ? shortRead : "読出しが途中で止まりました"))
    return "a short read went untold or told untrue, or a whole one was told short";
  if (BoxSays("には読み出せたセクターだけが入って") && content != made)
    return "a box says dump.img holds the sectors read, which it does not";
  const auto backedUp = Format("セクター %lld を読み出せませんでした", start + Calls(Call::Read, s));
  if (BoxSays("を読み出せませんでした") && !BoxSays(backedUp))
    return "a backup that came short was told stopping at another sector";
  // The file system lets go of the volume between the backup's save and the first write call,
  // and only when one follows.
  const int64_t firstWrite = std::ranges::find(calls, Call::Write, &Logged::call) - calls.begin();
  const bool writes = firstWrite < std::ssize(calls);
  const int64_t dismounted = LastCall(Call::Dismount);
  if (Calls(Call::Dismount) != writes ||
      (writes && (dismounted < renamed || dismounted > firstWrite)))
    return "the volume was not dismounted once between the backup's save and the first write";
  if (!writes) return "";
  const auto asked = std::ranges::find(g_shown, "確認", &Shown::kind);
  if (asked == g_shown.end() || asked->answer != kAnswerYes) return "a sector was written unasked";
  if (content != made) return "a sector was written without the whole backup saved";
  // The check is honest: the sectors written whole, and how far they came back equal.
  const int64_t sectorsWritten = Calls(Call::Write, s);
  const int64_t written = sectorsWritten * s;
  int64_t cameBack = 0;  // bytes the read-back delivered
  for (int64_t i = firstWrite; i < std::ssize(calls); ++i)
    cameBack += calls[i].call == Call::Read ? calls[i].moved : 0;
  int64_t equal = 0;
  while (equal < std::min(written, cameBack) && after[first + equal] == g_drive.image[equal])
    ++equal;
  const auto stopped = Format("%d セクター中 %lld セクターです", count, sectorsWritten);
  if ((written < count * s) != BoxSays(written < count * s ? stopped : "書込みが途中で止まりました"))
    return "a write that stopped went untold or miscounted, or a whole one was told stopped";
  const auto differs = Format("最初に違うのはセクター %lld です", start + equal / s);
  if ((equal < written) != BoxSays(equal < written ? differs : "最初に違うのは"))
    return "a read-back that differs went untold or told at another sector, or an equal one told";
  return "";
}
