#pragma once
// Reading and writing pictures off the main thread. The main thread only
// shows: a load or a save runs on a thread of its own while the caller waits
// in a local event loop, so the window repaints, timers fire and the progress
// bar moves, yet the caller gets the answer in line, as from a plain call
// (the save command returns its bool only when the file is written).
//
// Whoever waits must keep everything else away from the data the work uses:
// the document is busy and UpdateCommands has disabled the commands that
// could touch it, because input is processed while the work runs.

#include <QString>
#include <functional>

#include "config/failure_reason.h"
#include "formats/picture.h"

// Runs work on a new thread and returns once it has returned, processing the
// calling thread's events meanwhile; work may therefore refer to the caller's
// locals. An exception work throws is thrown again here. When no thread can
// be made, work runs right here.
void RunOffMainThread(const std::function<void()>& work);

// LoadPicture(record) off the main thread: 0 loaded, 1 not. A failure's
// reason, recorded on the loading thread, becomes this thread's
// LastLoadFailure(). After a load, then runs on that thread too (to prepare
// what the window will show).
int LoadPictureOffMainThread(TPictureRecord& record, const std::function<void()>& then = {});

// write() off the main thread, after ClearSaveFailure() there: true when
// written. A failure's reason becomes this thread's LastSaveFailure().
bool SaveOffMainThread(const std::function<bool()>& write);

// Test seam: called on the work's thread before each work starts (a test
// holds a save there until the main thread has shown it processes events).
void SetOffMainThreadHook(std::function<void()> hook);

// The line a failure box or a batch log adds under its first line: the
// reason in the language in force, "\n" first.
QString ReasonLine(const TFailureReason& reason);
