#pragma once
// One line on stderr for every file zinop-cli could not read, write or
// chose not to write, also with -q: the path and the reason, as cp or
// pngquant say it. The log lines of a run (stdout) stay as they are.

#include <string>

#include "engine/batch.h"

// "zinop-cli: cannot read IN: <reason>": the system's reason when the file
// cannot be opened (or "not a regular file"), else "not a picture any
// plug-in or the BMP reader understands".
void ReportReadFailure(const std::string& path);
std::string ReadFailureReason(const std::string& path);

// "zinop-cli: cannot write OUT: <reason>", the reason from the safe writer
// (SafeFileError) or, when it failed for no I/O reason, that the writer
// refused the picture. Call ClearSaveFailure() before the save.
void ReportWriteFailure(const std::string& path);

// "zinop-cli: cannot reduce IN: out of memory" for a file that loaded but
// could not be reduced (TBatchHooks::OutOfMemory).
void ReportReduceFailure(const std::string& path);
std::string ReduceFailureLine(const std::string& path);

// "zinop-cli: not writing OUT (from IN): ..." for an output the batch plan
// refused.
void ReportSkip(const std::string& sourcePath, const TOutputPlan& output);

// The lines above without their line break, for a caller that prints them
// later (zinop-cli -j prints each file's lines in list order). The write
// failure reads SafeFileError() of the calling thread.
std::string ReadFailureLine(const std::string& path);
std::string WriteFailureLine(const std::string& path);
std::string SkipLine(const std::string& sourcePath, const TOutputPlan& output);

// "zinop-cli: warning: IN: its colour profile was refused; loaded without
// conversion", for a picture that loaded but whose embedded profile could
// not be used; "" for every other picture.
std::string ProfileWarningLine(const TPictureRecord& record);

// An output folder that a run cannot write into: the reason, or "" when it
// looks usable (it exists, is a folder, and may be written and searched).
std::string OutputFolderProblem(const std::string& folder);
