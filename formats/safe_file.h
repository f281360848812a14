#pragma once
// Writing a file so that a failure never leaves a truncated file where a good
// one was: the bytes go to a temporary file in the target's folder, which is
// renamed over the target only when every byte is written and flushed.

#include <cstddef>
#include <cstdio>
#include <string>

// Writes bytes to path in one go. True when the file is complete in place.
bool WriteFileSafely(const std::string& path, const void* bytes, size_t count);

// For writers that stream (libpng): Open() creates the temporary file,
// File() is the stream to write, Commit() closes and renames it over the
// target. Without Commit the temporary file is removed on destruction.
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
    std::string target_;
    std::string temp_;
    FILE* file_ = nullptr;
};
