#pragma once
#include <cstddef>
#include <cstdint>

// Room for the header and 135 full lines, plus the terminating NUL.
constexpr size_t kHexDumpTextSize = 10401;
// The dump shows at most this many bytes (128 lines); longer input is cut to
// its first kHexDumpMaxBytes bytes, so no length can overrun the text.
constexpr uint16_t kHexDumpMaxBytes = 2048;

// Writes the sixteen-bytes-a-line dump of bytes[0, n) into `text`
// (kHexDumpTextSize bytes), addresses counted from baseAddress.
// Returns the text's length.
size_t FormatHexDump(const unsigned char* bytes, uint16_t n, uint32_t baseAddress, char* text);
// How much of `bytes` moved bytes an operation dumps: all of them for a run of
// up to four sectors, otherwise the first four sectors. Never more than the
// dump shows, so the 16-bit length cannot wrap to a short one.
uint16_t SectorDumpLength(int32_t count, uint32_t bytes, uint32_t sectorSize);
// Builds the dump and shows it in the dump box.
void HexDump(const unsigned char* bytes, uint16_t n, uint32_t baseAddress);
