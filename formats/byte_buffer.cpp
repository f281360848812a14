#include "formats/byte_buffer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

#include "config/failure_reason.h"
#include "config/regular_file.h"

namespace {

// Larger than any picture file we accept (2^28 pixels of 32 bits plus
// headers); an endless stream such as /dev/zero stops here.
constexpr uintmax_t kMaxFileBytes = uintmax_t{1} << 31;

uintmax_t FileSize(FILE* file) {
    struct stat info {};
    return ::fstat(::fileno(file), &info) == 0 ? static_cast<uintmax_t>(info.st_size) : 0;
}

}  // namespace

bool ReadWholeFile(const std::string& path, TByteBuffer& buffer) {
    buffer.Clear();
    // Only regular files: a FIFO or a device would block or never end.
    std::unique_ptr<FILE, int (*)(FILE*)> file(OpenRegularFile(path), &std::fclose);
    if (!file) return false;
    try {
        // One read into a buffer of the file's size: no growing and copying
        // of a picture-sized block.
        const uintmax_t size = FileSize(file.get());
        if (size > kMaxFileBytes) return false;
        if (size > 0) {
            buffer.Data.resize(static_cast<size_t>(size));
            buffer.Data.resize(std::fread(buffer.Data.data(), 1, buffer.Data.size(), file.get()));
        }
        // Whatever is left (a file that grew, or a stream without a size).
        uint8_t chunk[65536];
        for (;;) {
            const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
            if (buffer.Data.size() + got > kMaxFileBytes) {
                buffer.Clear();
                return false;
            }
            buffer.Data.insert(buffer.Data.end(), chunk, chunk + got);
            if (got < sizeof chunk) break;
        }
    } catch (const std::bad_alloc&) {
        buffer.Clear();
        SetLastLoadFailure({TFailure::OutOfMemory, 0});
        return false;
    } catch (const std::length_error&) {
        buffer.Clear();
        return false;
    }
    if (std::ferror(file.get())) {
        buffer.Clear();
        SetLastLoadFailure({TFailure::System, EIO});
        return false;
    }
    return true;
}
