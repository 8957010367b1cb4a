#pragma once
// The program's one way to drives and image files. volume_win32.cpp and
// geometry_win32.cpp are the Win32 versions; native tests link a fake.
#include <cstddef>
#include <cstdint>

#include "volume/disk_geometry.h"

// An open raw volume or image file; null means none.
using VolumeHandle = void*;
using ImageFileHandle = void*;

// System error codes the operations tell apart.
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorHandleEof = 38;
constexpr uint32_t kErrorDiskFull = 112;

// Opens the raw volume of a drive letter for reading, or for reading and
// writing; null when the system refuses.
VolumeHandle OpenVolumeForReading(char driveLetter);
VolumeHandle OpenVolumeForWriting(char driveLetter);
// One attempt to lock the volume until it is closed: 0, or the system error code.
uint32_t LockVolume(VolumeHandle volume);
// Waits a moment before the lock is tried again, serving the window meanwhile:
// just after a medium arrives, other programs hold it open for a while.
void PauseBeforeLockRetry();
// Lets the locked volume reach every sector, also those past the end of the
// file system it holds, which the file system otherwise keeps a volume from.
// A volume without that limit refuses, and nothing changes.
void AllowExtendedAccess(VolumeHandle volume);
// Asks the drive whether its medium takes writes: 0, kErrorWriteProtect for a
// write-protected medium, or the code of a drive that cannot tell.
uint32_t QueryVolumeWritable(VolumeHandle volume);
// Takes the volume away from its file system, which would otherwise keep its
// cached view of the old sectors and write it back over the new ones; the
// locked handle keeps its raw access, and the volume mounts afresh when next
// used. A volume that cannot be dismounted stays as it was.
void DismountVolume(VolumeHandle volume);
// The drive-geometry control call alone: fills `record`, returns 0 or the code.
uint32_t ReadDriveGeometry(VolumeHandle volume, DiskGeometry* record);
// Moves the running file pointer to byte `distance` from the start; false
// when it did not move there.
bool SetVolumePosition(VolumeHandle volume, uint32_t distance);
// Reads `bytes` at byte `position` and returns when they have arrived: 0 with
// *delivered set, or the error code.
uint32_t ReadVolumeAt(VolumeHandle volume, uint64_t position, void* buffer,
                      uint32_t bytes, uint32_t* delivered);
// Reads or writes at the running file pointer: the bytes moved, 0 on failure.
uint32_t ReadVolume(VolumeHandle volume, void* buffer, uint32_t bytes);
uint32_t WriteVolume(VolumeHandle volume, const void* buffer, uint32_t bytes);
// Closes the volume, which also releases its lock.
void CloseVolume(VolumeHandle volume);

// Buffers for sector data, which can be as large as a whole image. Null when
// the memory cannot be had (never for 2^32 bytes or more); a null buffer may
// be released.
void* AllocateBuffer(uint64_t bytes);
void ReleaseBuffer(void* buffer);

// Total size of the file system on a drive root such as "E:\"; 0 when the
// system cannot tell.
uint64_t QueryTotalBytes(const char* driveRoot);

// The dump files, written in the current directory.
using OutputFileHandle = void*;
// The name asked for is taken: by a file, a link or a folder.
constexpr uint32_t kErrorFileExists = 80;
// Creates the file `name` new: an existing name of any kind is never opened,
// truncated or followed. Null when the system refuses, with *error set to its
// code (kErrorFileExists when the name is taken).
OutputFileHandle CreateOutputFile(const char* name, uint32_t* error);
// What a file just created is, asked through its handle.
constexpr size_t kFinalPathSize = 1024;
struct OutputFileFacts {
  uint32_t links;
  bool reparsePoint;
  // The path its handle leads to, every link and junction on the way resolved.
  char finalPath[kFinalPathSize];
};
// 0, or the system error code.
uint32_t DescribeOutputFile(OutputFileHandle file, OutputFileFacts* facts);
// The current directory's final path, ending with the path separator: 0, or
// the system error code.
uint32_t QueryWorkingFolder(char* path, size_t size);
// Appends `bytes`: 0, or the system error code (kErrorDiskFull when fewer
// bytes were taken without one).
uint32_t WriteOutputFile(OutputFileHandle file, const void* buffer, uint32_t bytes);
// Has the system write every byte handed over so far to the disk itself, not
// only to its cache: 0, or the system error code.
uint32_t FlushOutputFile(OutputFileHandle file);
// Hands every byte to the file and closes it: 0, or the system error code.
uint32_t CloseOutputFile(OutputFileHandle file);
// Deletes the file through its handle, which it closes: no name is looked up
// again, so nothing that took the name meanwhile is touched.
void DiscardOutputFile(OutputFileHandle file);
// Gives the file `from` the name `to` in one step, replacing a file of that
// name, and returns once the change of names is on the disk: 0, or the system
// error code, with both files then as they were.
uint32_t ReplaceFileWith(const char* to, const char* from);
void RemoveFile(const char* name);

// The image file the write operation copies onto the sectors.
// Size in bytes; false when there is no such file.
bool QueryImageFileSize(const char* path, uint64_t* size);
// True when both paths name one existing file, or the same full path.
bool IsSameFile(const char* path, const char* otherPath);
ImageFileHandle OpenImageFile(const char* path);
// Reads on from where the last read ended (the start, after opening): the
// bytes delivered, 0 on failure.
uint32_t ReadImageFile(ImageFileHandle file, void* buffer, uint32_t bytes);
void CloseImageFile(ImageFileHandle file);
