#pragma once
// The process-wide run flag: true while a reduction or batch run is in
// progress. False at start; the main window's first showing clears it again.
// Main thread only.
inline bool ReduceRunning = false;
