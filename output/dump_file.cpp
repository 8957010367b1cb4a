#include "output/dump_file.h"

#include <fstream>

#include "output/trace.h"

bool SaveDumpFile(const char* name, const unsigned char* bytes, uint32_t length,
                  bool echoToTrace) {
  // Opening for output with truncation creates the file or empties it; when
  // the open fails (read-only file, a folder of that name) the stream stays
  // failed, drops every byte and the existing file is not touched.
  std::ofstream file(name, std::ios::out | std::ios::binary | std::ios::trunc);
  if (echoToTrace) TraceBytes(bytes, length);
  // The stream buffers: the bytes reach the file in a few large writes.
  if (length != 0) file.write(reinterpret_cast<const char*>(bytes), length);
  // A full disk shows at the latest when close hands over the last bytes.
  const bool opened = file.is_open();
  file.close();
  return opened && !file.fail();
}
