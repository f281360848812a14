#include "config/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <set>
#include <vector>

#include "config/regular_file.h"

namespace {

thread_local int lastError = 0;

constexpr const char* kTempPrefix = ".zinop-";
constexpr size_t kTempLetters = 6;

bool Fail(int error) {
    lastError = error;
    return false;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Linking an unnamed file into place goes through /proc/self/fd (linkat with
// AT_EMPTY_PATH needs a privilege); without /proc the named way is used.
bool CanLinkUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

// ".zinop-", the process id, "-" and six letters or digits: short enough
// beside a 255-byte name, hidden from a folder listing, different on each
// call, and telling which process it belongs to (RemoveStaleTemporaries).
std::string HiddenTempName(const std::string& folder) {
    static std::atomic<uint64_t> counter{0};
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folder + "/" + kTempPrefix + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[seed % 36];
        seed /= 36;
    }
    return name;
}

// The process id in a temporary file's name ".zinop-PID-XXXXXX", or 0 when
// the name is not one of ours.
pid_t TempNameOwner(const std::string& name) {
    const size_t prefix = std::char_traits<char>::length(kTempPrefix);
    if (name.compare(0, prefix, kTempPrefix) != 0) return 0;
    const size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash - prefix > 9) return 0;
    if (name.size() != dash + 1 + kTempLetters) return 0;
    pid_t pid = 0;
    for (size_t i = prefix; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = dash + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return 0;
    }
    return pid;
}

// True once per folder and process: a folder is swept before its first save.
bool FirstSaveInto(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    std::lock_guard<std::mutex> lock(mutex);
    return swept.insert(folder).second;
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    // Some file systems cannot sync a folder (EINVAL); the rename is then as
    // durable as they make it.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    return synced || Fail(error);
}

}  // namespace

int SafeFileError() { return lastError; }
void SetSafeFileError(int error) { lastError = error; }

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const int folderFd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        const pid_t owner = TempNameOwner(name);
        if (owner <= 0 || owner == ::getpid()) continue;
        struct stat info {};
        if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
        // Only a process that is gone: a live one (also one of another user
        // that signals refuse, EPERM) may still be writing it.
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(folderFd, name.c_str(), 0);
    }
    ::closedir(listing);
}

std::string SafeFileTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {  // the kernel's own limit of links in a chain
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t length = ::readlink(current.c_str(), link.data(), PATH_MAX);
        if (length <= 0) return current;
        std::string next(link.data(), static_cast<size_t>(length));
        if (next[0] != '/') next = FolderOf(current) + "/" + next;
        current = next;
    }
    return current;  // a loop: the rename then fails as the open would (ELOOP)
}

TSafeFile::TSafeFile(std::string targetPath) : target_(std::move(targetPath)) {}

TSafeFile::~TSafeFile() { Discard(); }

void TSafeFile::Discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool TSafeFile::OpenNamedTemp(const std::string& folder, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = HiddenTempName(folder);
        // 0666 so that the kernel applies the umask: a new file gets the
        // mode any program's new file gets.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return Fail(errno);
        }
        temp_ = name;
        if (keepMode_) ::fchmod(fd, static_cast<mode_t>(mode));
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            const int error = errno;
            ::close(fd);
            return Fail(error);
        }
        return true;
    }
    return Fail(EEXIST);
}

bool TSafeFile::Open() {
    lastError = 0;
    Discard();
    if (target_.empty()) return Fail(ENOENT);
    final_ = SafeFileTarget(target_);
    const std::string folder = FolderOf(final_);
    struct stat old {};
    keepMode_ = false;
    if (::stat(final_.c_str(), &old) == 0) {
        // Only a regular file the caller may write is replaced, as cp
        // would write into it: a FIFO or a device would otherwise become a
        // file, and a read-only or foreign file would change hands.
        if (S_ISDIR(old.st_mode)) return Fail(EISDIR);
        if (!S_ISREG(old.st_mode)) return Fail(kNotRegularFileError);
        if (::access(final_.c_str(), W_OK) != 0) return Fail(errno);
        keepMode_ = true;
        mode_ = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }
    if (FirstSaveInto(folder)) RemoveStaleTemporaries(folder);
    int fd = -1;
    unnamed_ = false;
#ifdef O_TMPFILE
    if (CanLinkUnnamedFiles()) {
        fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        // Without support in the kernel or the file system: the named way.
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return Fail(errno);
        }
    }
#endif
    if (fd < 0) {
        if (!OpenNamedTemp(folder, mode_)) return false;
    } else {
        unnamed_ = true;
        if (keepMode_) ::fchmod(fd, static_cast<mode_t>(mode_));
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            const int error = errno;
            ::close(fd);
            return Fail(error);
        }
    }
    if (keepMode_ && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keeps the owner and group where allowed (root, or a group we are in).
        if (::fchown(::fileno(file_), old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int ignored =
                ::fchown(::fileno(file_), static_cast<uid_t>(-1), old.st_gid);
        }
    }
    return true;
}

// Gives the unnamed file a name: the target itself when there is none yet
// (one atomic step that never replaces anything), otherwise a hidden name
// that Commit renames over the target.
bool TSafeFile::PutInPlace() {
    const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file_));
    if (!keepMode_) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, final_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_.clear();
            return true;
        }
        if (errno != EEXIST) return Fail(errno);
    }
    const std::string folder = FolderOf(final_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = HiddenTempName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = name;
            return true;
        }
        if (errno != EEXIST) return Fail(errno);
    }
    return Fail(EEXIST);
}

bool TSafeFile::Commit() {
    if (file_ == nullptr) return Fail(EBADF);
    if (std::fflush(file_) != 0 || std::ferror(file_) != 0) {
        const int error = errno != 0 ? errno : EIO;
        Discard();
        return Fail(error);
    }
    if (::fsync(::fileno(file_)) != 0) {
        const int error = errno;
        Discard();
        return Fail(error);
    }
    bool linkedAsTarget = false;
    if (unnamed_) {
        if (!PutInPlace()) {
            const int error = lastError;
            Discard();
            return Fail(error);
        }
        linkedAsTarget = temp_.empty();
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        const int error = errno;
        if (linkedAsTarget) ::unlink(final_.c_str());  // it was new: nothing lost
        Discard();
        return Fail(error);
    }
    if (!temp_.empty()) {
        if (std::rename(temp_.c_str(), final_.c_str()) != 0) {
            const int error = errno;
            Discard();
            return Fail(error);
        }
        temp_.clear();
    }
    return SyncFolder(FolderOf(final_));
}

bool WriteFileSafely(const std::string& path, const void* bytes, size_t count) {
    TSafeFile file(path);
    if (!file.Open()) return false;
    if (count > 0 && std::fwrite(bytes, 1, count, file.File()) != count) {
        const int error = errno != 0 ? errno : EIO;
        return Fail(error);
    }
    return file.Commit();
}
