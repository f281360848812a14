#include "formats/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// A unique name beside the target, so the final rename stays on one volume.
std::string MakeTempBeside(const std::string& target, int& fd) {
    std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = mkstemp(name.data());
    if (fd < 0) return std::string();
    return std::string(name.data());
}

}  // namespace

TSafeFile::TSafeFile(std::string targetPath) : target_(std::move(targetPath)) {}

TSafeFile::~TSafeFile() {
    if (file_) std::fclose(file_);
    if (!temp_.empty()) std::remove(temp_.c_str());
}

bool TSafeFile::Open() {
    if (target_.empty()) return false;
    std::error_code ec;
    if (std::filesystem::is_directory(target_, ec)) return false;
    int fd = -1;
    temp_ = MakeTempBeside(target_, fd);
    if (temp_.empty()) return false;
    // mkstemp makes the file private; give it the usual permissions. The
    // umask can only be read by setting it, and it belongs to the process:
    // read once, so that saves on several threads never see each other's
    // temporary 0 (which would then stay the process's umask).
    static const mode_t mask = [] {
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    fchmod(fd, 0666 & ~mask);
    file_ = fdopen(fd, "wb");
    if (!file_) {
        close(fd);
        return false;
    }
    return true;
}

bool TSafeFile::Commit() {
    if (!file_) return false;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) return false;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) return false;
    temp_.clear();
    return true;
}

bool WriteFileSafely(const std::string& path, const void* bytes, size_t count) {
    TSafeFile file(path);
    if (!file.Open()) return false;
    if (count > 0 && std::fwrite(bytes, 1, count, file.File()) != count) return false;
    return file.Commit();
}
