#include "formats/byte_buffer.h"

#include <cstdio>
#include <memory>

bool ReadWholeFile(const std::string& path, TByteBuffer& buffer) {
    buffer.Clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    uint8_t chunk[65536];
    try {
        for (;;) {
            const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
            buffer.Data.insert(buffer.Data.end(), chunk, chunk + got);
            if (got < sizeof chunk) break;
        }
    } catch (const std::bad_alloc&) {
        buffer.Clear();
        return false;
    }
    return !std::ferror(file.get());
}
