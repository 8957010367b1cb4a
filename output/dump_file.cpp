#include "output/dump_file.h"

#include <string>

#include "output/trace.h"
#include "volume/volume.h"
#include "window/window_conventions.h"

uint32_t SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                      bool echoToTrace) {
  const std::string partial = std::string(name) + ".tmp";
  uint32_t error = 0;
  OutputFileHandle file = CreateOutputFile(partial.c_str(), &error);
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
  // A full disk may show only when the close hands over the last bytes.
  const uint32_t closeError = CloseOutputFile(file);
  if (error == 0) error = closeError;
  if (error == 0) error = ReplaceFileWith(name, partial.c_str());
  if (error != 0) RemoveFile(partial.c_str());
  return error;
}
