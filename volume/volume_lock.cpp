#include "volume/volume_lock.h"

uint32_t LockVolumeRetrying(VolumeHandle volume) {
  uint32_t error = LockVolume(volume);
  for (int attempt = 1; error != 0 && attempt < kLockAttempts; ++attempt) {
    PauseBeforeLockRetry();
    error = LockVolume(volume);
  }
  if (error == 0) AllowExtendedAccess(volume);
  return error;
}
