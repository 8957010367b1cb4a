#pragma once
// Identifiers of the main window's child controls. A label and its box sit
// side by side in the numbering.
enum ControlId : int {
  kNoControlId = -1,
  kExecuteButton = 100,
  kDriveList = 200,
  kDumpBox = 300,
  kDumpLabel = 400,
  kGeometryBox = 500,
  kGeometryLabel = 501,
  kStatusBar = 600,
  kCountLabel = 700,
  kCountBox = 701,
  kOffsetLabel = 800,
  kOffsetBox = 801,
  kDumpToFileBox = 901,
  kPathBox = 1000,
  kFileLabel = 1001,
  kBrowseButton = 1002,
};
