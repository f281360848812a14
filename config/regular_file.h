#pragma once
// Opening input files without ever blocking: a FIFO without a writer, a
// terminal or a device such as /dev/zero would hang a reader or feed it
// gigabytes, so only regular files (symbolic links followed) are opened.
// Every reader of pictures, plug-in headers and settings goes through here.

#include <cstdio>
#include <string>

// The error for a path that exists but is no regular file.
inline constexpr int kNotRegularFileError = 0x5A52;  // outside errno's range

// True when path names a regular file (after links). Never opens it.
bool IsRegularFile(const std::string& path);

// Opens path for reading ("rb") when it is a regular file; the check is made
// before opening (no open of a device or FIFO ever happens) and again on the
// open file. nullptr otherwise, with *error (when given) the errno value or
// kNotRegularFileError.
FILE* OpenRegularFile(const std::string& path, int* error = nullptr);

// The reason text of an error from OpenRegularFile: strerror, or
// "not a regular file".
std::string ReadErrorText(int error);
