#pragma once
#include <cstdint>

#include "volume/volume.h"

// How often the lock is tried before a refusal is told: with the pauses
// between the attempts, about ten seconds on Windows.
constexpr int kLockAttempts = 40;

// Locks the volume, trying again while other programs hold it open (Explorer,
// the indexer and virus scanners do so for a moment when a medium arrives):
// 0, or the last attempt's system error code. Once locked, the volume is asked
// for access to every sector, past the end of its file system too.
uint32_t LockVolumeRetrying(VolumeHandle volume);
