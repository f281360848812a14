#pragma once
// The one way every writer (pictures and settings alike) replaces a file, so
// that a failure or a crash never leaves a truncated file where a good one
// was:
//  - the bytes go to a temporary file in the target's folder: an unnamed one
//    (O_TMPFILE) where the file system has it, so a process killed even with
//    SIGKILL leaves nothing behind; otherwise a short hidden name
//    (".zinop-PID-XXXXXX"), so a target name of up to 255 bytes still works;
//    the first save into a folder removes the ones this user's processes
//    left there when they were killed (RemoveStaleTemporaries);
//  - Commit() flushes the data, syncs the file to disk, puts it in place with
//    one rename (or link) and syncs the folder; only then does it report
//    success. A failed write, flush, sync or close is a failed save, and the
//    old file stays as it was;
//  - a target that is a symbolic link: the file the link points to (following
//    a chain of links) is replaced and the link stays a link;
//  - a replaced file keeps its permission bits (a private 0600 file stays
//    private) and, where the process may set them, its owner and group; a new
//    file gets 0666 less the process umask, as open() gives it (the umask is
//    never changed, so other threads are not disturbed);
//  - an existing target (after links) must be a regular file the caller may
//    write (access(W_OK): root keeps root's rights, as with cp); a folder is
//    refused with EISDIR, a FIFO or device with kNotRegularFileError, a file
//    the caller may not write with the system's EACCES or EROFS, all before
//    anything is written.
//
// Failures come back as false; SafeFileError() then holds the errno value of
// the first failure on the calling thread (0 when the failure was not an I/O
// error), for a caller that says why ("No space left on device").

#include <cstddef>
#include <cstdio>
#include <string>

// Writes bytes to path in one go. True when the file is complete in place.
bool WriteFileSafely(const std::string& path, const void* bytes, size_t count);

// For writers that stream (libpng): Open() creates the temporary file,
// File() is the stream to write, Commit() puts it in place. Without Commit
// the temporary file is removed on destruction.
class TSafeFile {
  public:
    explicit TSafeFile(std::string targetPath);
    ~TSafeFile();
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    bool Open();
    FILE* File() const { return file_; }
    bool Commit();

  private:
    bool OpenNamedTemp(const std::string& folder, unsigned mode);
    bool PutInPlace();
    void Discard();

    std::string target_;  // as given
    std::string final_;   // the file actually replaced (links followed)
    std::string temp_;    // the temporary file's name, empty while unnamed
    FILE* file_ = nullptr;
    bool unnamed_ = false;
    bool keepMode_ = false;
    unsigned mode_ = 0;
};

// The errno value of the last failed WriteFileSafely/TSafeFile call on this
// thread; 0 when it failed for a reason that is no I/O error. A writer that
// refuses a record before writing sets it with SetSafeFileError(0).
int SafeFileError();
void SetSafeFileError(int error);

// Removes from folder the temporary files ".zinop-PID-XXXXXX" that belong
// to this user (regular files it owns) and to a process that no longer
// exists. Nothing else is touched.
void RemoveStaleTemporaries(const std::string& folder);

// The file a write to path replaces: path itself, or, for a symbolic link,
// the file at the end of its chain of links (which need not exist yet).
std::string SafeFileTarget(const std::string& path);
