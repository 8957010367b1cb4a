#include "output/dump_file.h"

#include <cstdio>
#include <string>

#include "output/trace.h"
#include "volume/volume.h"
#include "window/error_box.h"
#include "window/window_conventions.h"

namespace {

// The file just created must be the partial file in the current directory and
// nothing else. A name that a link or a redirected folder sent elsewhere could
// otherwise make a program with administrator rights write a file the user
// could not: TORVEX created it, so it deletes it again.
uint32_t CheckCreatedFile(OutputFileHandle file, const std::string& partial) {
  OutputFileFacts facts;
  char folder[kFinalPathSize];
  uint32_t error = DescribeOutputFile(file, &facts);
  if (error == 0) error = QueryWorkingFolder(folder, sizeof folder);
  if (error != 0) return error;
  const bool asked = facts.links == 1 && !facts.reparsePoint &&
                     std::string(facts.finalPath) == std::string(folder) + partial;
  return asked ? 0 : kErrorCreatedElsewhere;
}

}  // namespace

uint32_t SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                      bool echoToTrace) {
  const std::string partial = std::string(name) + ".tmp";
  uint32_t error = 0;
  OutputFileHandle file = CreateOutputFile(partial.c_str(), &error);
  if (file) error = CheckCreatedFile(file, partial);
  // In pieces, serving the window between them: a large run takes a while.
  for (uint32_t done = 0; done < length;) {
    const uint32_t piece = length - done < kPieceBytes ? length - done : kPieceBytes;
    if (echoToTrace) TraceBytes(bytes + done, piece);
    if (file && error == 0) error = WriteOutputFile(file, bytes + done, piece);
    done += piece;
    KeepWindowResponsive();
  }
  if (!file) return error;
  // Bytes in the system's cache are lost with a crash or a power cut: the
  // file counts as saved, and takes the name, only once they are on the disk.
  if (error == 0) error = FlushOutputFile(file);
  if (error != 0) {
    DiscardOutputFile(file);
    return error;
  }
  // A full disk may show only when the close hands over the last bytes.
  error = CloseOutputFile(file);
  if (error == 0) error = ReplaceFileWith(name, partial.c_str());
  if (error != 0) RemoveFile(partial.c_str());
  return error;
}

void TellSaveFailure(const char* text, const char* name, uint32_t error) {
  char reason[512];
  if (error == kErrorFileExists)
    std::snprintf(reason, sizeof reason,
                  "%s.tmp がすでにあります。それを消すか、TORVEX を別のフォルダーから起動してください",
                  name);
  else if (error == kErrorCreatedElsewhere)
    std::snprintf(reason, sizeof reason,
                  "%s.tmp がこのフォルダーの外のファイルになったので、消しました。"
                  "TORVEX を別のフォルダーから起動してください",
                  name);
  else
    FormatSystemReason(error, reason, sizeof reason);
  ShowErrorBox(text, reason);
}
