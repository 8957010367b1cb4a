#include "ops/locked_volume.h"

#include "output/trace.h"
#include "volume/geometry_query.h"
#include "volume/geometry_report.h"
#include "volume/volume_lock.h"
#include "window/control_ids.h"
#include "window/window_conventions.h"

namespace {

void TraceGeometry(const DiskGeometry& geometry) {
  TraceCylinders(geometry.Cylinders);
  TraceText("mediatype=");
  TraceSigned(static_cast<int32_t>(geometry.MediaType));
  TraceEol();
  TraceText("TracksPerCylinder=");
  TraceUnsigned(geometry.TracksPerCylinder);
  TraceEol();
  TraceText("SectorsPerTrack=");
  TraceUnsigned(geometry.SectorsPerTrack);
  TraceEol();
  TraceText("BytesPerSector=");
  TraceUnsigned(geometry.BytesPerSector);
  TraceEol();
}

void TellRefusedLock(VolumeUse use, uint32_t lockError) {
  if (use == VolumeUse::Read) {
    TraceLine(" lock error ");
    ShowSystemErrorBox(BoxOwner::MainWindow, lockError, "エラーリターン", kBoxOk);
  } else {
    ShowMessageBox(BoxOwner::None, "ドライブのロックに失敗しました", "エラー",
                   kBoxIconInformation);
  }
  SetStatusText("DRIVE LOCK ERROR");
}

// The geometry box shows the report; a read's byte range ends at the last
// byte, a write's at the total size.
void ShowGeometry(VolumeUse use, const DiskGeometry& geometry, uint64_t totalBytes) {
  SetStatusText("Reading GEOMETRY..");
  if (use == VolumeUse::Read) TraceGeometry(geometry);
  char report[kGeometryReportSize];
  const RangeEnd end = use == VolumeUse::Read ? RangeEnd::LastByte : RangeEnd::TotalBytes;
  FormatGeometryReport(geometry, totalBytes, end, report);
  SetControlText(kGeometryBox, report);
}

void TellGeometryFailure() {
  TraceLine("ioctl fail");
  ShowMessageBox(BoxOwner::MainWindow, "ジオメトリリードエラー", "ステータス", kBoxOk);
  SetStatusText("ジオメトリリードエラー");
}

}  // namespace

uint32_t RunOnLockedVolume(VolumeUse use, char driveLetter, const char* driveRoot,
                           const VolumeWork& work) {
  const bool traced = use == VolumeUse::Read;
  const uint64_t totalBytes = QueryTotalBytes(driveRoot);
  VolumeHandle volume =
      traced ? OpenVolumeForReading(driveLetter) : OpenVolumeForWriting(driveLetter);
  if (!volume) {
    if (traced) TraceInvalidHandle();
    ShowMessageBox(BoxOwner::MainWindow, "無効なドライブです", "エラー", kBoxOk);
    return 1;
  }
  if (traced) TraceLine(" ok handel");
  SetStatusText("HANDLE OK");

  const uint32_t lockError = LockVolumeRetrying(volume);
  if (lockError != 0) {
    TellRefusedLock(use, lockError);
    CloseVolume(volume);
    return lockError;
  }
  if (traced) TraceLine(" lock ok ");
  SetStatusText("DRIVE LOCK OK");

  DiskGeometry* geometry = nullptr;
  Outcome outcome{0, true};
  if (QueryGeometry(volume, &geometry) != 0) {
    TellGeometryFailure();
  } else {
    ShowGeometry(use, *geometry, totalBytes);
    outcome = work(volume, *geometry);
  }

  CloseVolume(volume);
  ReleaseGeometry(geometry);
  if (outcome.finished) SetStatusText("終了");
  return outcome.result;
}
