#pragma once
// Why a load or a save failed, carried from the core to whoever reports it.
// The core records a kind (and the system's errno where the system refused);
// zinop-cli and the desktop program turn it into text with FailureText, in
// the language in force. The core itself never builds a message.

#include <string>

enum class TFailure : int {
    None = 0,
    System,          // Error holds the errno value: the system's own text
    NotRegularFile,  // a FIFO, device or folder where a file was expected
    NotPicture,      // no plug-in took the file and it is no BMP
    TooLarge,        // over the program's pixel cap
    Damaged,         // damaged or truncated picture data
    OutOfMemory,
    WriterRefused,   // the writer found nothing it could write (bad record)
    NeedsReduced,    // GIF output of a full-colour picture
};

struct TFailureReason {
    TFailure Kind = TFailure::None;
    int Error = 0;  // errno, with TFailure::System
};

// Per thread: why the last failed LoadPicture / LoadPictureFromDib failed.
// Loaders set it on every failure; a success leaves it as it was.
TFailureReason LastLoadFailure();
void SetLastLoadFailure(TFailureReason reason);

// Per thread: why the last failed save failed. A writer that refuses the
// record sets it; when no writer set it since ClearSaveFailure, the safe
// writer's errno (SafeFileError) decides: System with it, or WriterRefused.
TFailureReason LastSaveFailure();
void SetLastSaveFailure(TFailureReason reason);
void ClearSaveFailure();  // call before a save, as SetSafeFileError(0)

// The reason as one short line without a full stop: "No space left on
// device", "out of memory", "larger than 16384 x 16384 pixels" ... English as
// zinop-cli prints it, or Japanese (the system's errno texts for the common
// errors, else the English strerror).
std::string FailureText(const TFailureReason& reason, bool english = true);
