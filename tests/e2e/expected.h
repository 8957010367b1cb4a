#pragma once
// What the end-to-end tests expect to find on a drive image, in the dump box
// and in the trace, computed from the bytes the test put there.
#include <cstdint>
#include <string>

constexpr uint32_t kSector = 512;

// Every byte tells its sector and its place; sector 0 starts with the bytes
// that text mode and a careless writer would change.
unsigned char ImageByte(uint32_t offset);
// ImageByte for `length` bytes from `offset`.
std::string ImageBytes(uint32_t offset, uint32_t length);

// The dump text the window must show, written out independently: sixteen
// bytes a line, address, hex bytes and characters; only the header and the
// first address when there are no bytes.
std::string ExpectedDump(const std::string& bytes, uint32_t base);

// The geometry report of drive A: with the floppy geometry the tests give,
// its capacity as the system reports it and this media name. The read
// operation's byte range ends at the last byte, the write operation's at the
// total size.
std::string ExpectedFloppyReport(const char* mediaName, bool writeMode);

// How often `piece` occurs in `text`, overlapping occurrences included.
int Occurrences(const std::string& text, const std::string& piece);
