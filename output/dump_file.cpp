#include "output/dump_file.h"

#include <fstream>

#include "output/trace.h"
#include "window/window_conventions.h"

bool SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                  bool echoToTrace) {
  // Opening for output with truncation creates the file or empties it; when
  // the open fails (read-only file, a folder of that name) the stream stays
  // failed, drops every byte and the existing file is not touched.
  std::ofstream file(name, std::ios::out | std::ios::binary | std::ios::trunc);
  // In pieces, serving the window between them: a large run takes a while.
  for (uint32_t done = 0; done < length;) {
    const uint32_t piece = length - done < kPieceBytes ? length - done : kPieceBytes;
    if (echoToTrace) TraceBytes(bytes + done, piece);
    file.write(reinterpret_cast<const char*>(bytes + done), piece);
    done += piece;
    KeepWindowResponsive();
  }
  // A full disk shows at the latest when close hands over the last bytes.
  const bool opened = file.is_open();
  file.close();
  return opened && !file.fail();
}
