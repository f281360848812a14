#include "formats/byte_buffer.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

// Larger than any picture file we accept (2^28 pixels of 32 bits plus
// headers); an endless stream such as /dev/zero stops here.
constexpr uintmax_t kMaxFileBytes = uintmax_t{1} << 31;

// The size of a regular file, 0 for anything else (a pipe, a folder).
uintmax_t RegularFileSize(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace

bool ReadWholeFile(const std::string& path, TByteBuffer& buffer) {
    buffer.Clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    try {
        // One read into a buffer of the file's size: no growing and copying
        // of a picture-sized block.
        const uintmax_t size = RegularFileSize(path);
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
        return false;
    } catch (const std::length_error&) {
        buffer.Clear();
        return false;
    }
    if (std::ferror(file.get())) {
        buffer.Clear();
        return false;
    }
    return true;
}
