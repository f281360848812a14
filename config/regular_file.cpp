#include "config/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void SetError(int* error, int value) {
    if (error != nullptr) *error = value;
}

}  // namespace

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

FILE* OpenRegularFile(const std::string& path, int* error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        SetError(error, errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        SetError(error, S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFileError);
        return nullptr;
    }
    // O_NONBLOCK: should the path have been swapped for a FIFO since the
    // check, the open still returns at once, and fstat refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, errno);
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        SetError(error, kNotRegularFileError);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        SetError(error, errno);
        ::close(fd);
        return nullptr;
    }
    SetError(error, 0);
    return file;
}

std::string ReadErrorText(int error) {
    if (error == kNotRegularFileError) return "not a regular file";
    return std::strerror(error);
}
