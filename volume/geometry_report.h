#pragma once
#include <cstddef>
#include <cstdint>

#include "volume/disk_geometry.h"

// Where the report's byte range ends: the read operation shows the last byte,
// the write operation the total size.
enum class RangeEnd { LastByte, TotalBytes };

constexpr size_t kGeometryReportSize = 1024;

// Writes the report text into `text` (kGeometryReportSize bytes).
void FormatGeometryReport(const DiskGeometry& geometry, uint64_t totalBytes, RangeEnd end,
                          char* text);
